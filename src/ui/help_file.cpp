#include "ui/help_file.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace pelmo {

QString HelpFilePath() {
  const QString dir = QCoreApplication::applicationDirPath();
  QStringList candidates = {dir + "/help/index.html",
                            dir + "/../share/doc/pelmobot/help/index.html"};
#ifdef PELMO_HELP_DIR
  candidates << QStringLiteral(PELMO_HELP_DIR "/index.html");
#endif
  for (const QString& path : candidates) {
    if (QFileInfo::exists(path)) return QFileInfo(path).canonicalFilePath();
  }
  return {};
}

}  // namespace pelmo
