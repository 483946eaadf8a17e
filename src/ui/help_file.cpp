#include "ui/help_file.h"

#include <QFileInfo>
#include <QStringList>

namespace pelmo {

QString HelpFilePath(const QString& programDir) {
  const QStringList candidates = {programDir + "/help/index.html",
                                  programDir + "/../share/doc/pelmobot/help/index.html"};
  for (const QString& path : candidates) {
    if (QFileInfo::exists(path)) return QFileInfo(path).canonicalFilePath();
  }
  return {};
}

}  // namespace pelmo
