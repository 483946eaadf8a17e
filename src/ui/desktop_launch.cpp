#include "ui/desktop_launch.h"

#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace pelmo {

void StartDesktopHelper(const QString& program, const QStringList& args, QObject* context,
                        std::function<void()> failed) {
  const QString path = program.contains('/') ? program : QStandardPaths::findExecutable(program);
  if (path.isEmpty()) {
    if (failed) failed();
    return;
  }
  auto* process = new QProcess(context);
  // What the helper and the programs it starts print goes where ours goes.
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->setStandardInputFile(QProcess::nullDevice());
  // Either signal ends the helper's life here; the flag keeps a failure
  // from being told twice (errorOccurred may follow finished).
  auto done = std::make_shared<bool>(false);
  auto end = [process, done, failed](bool ok) {
    if (*done) return;
    *done = true;
    process->deleteLater();
    if (!ok && failed) failed();
  };
  QObject::connect(process, &QProcess::finished, context,
                   [end](int code, QProcess::ExitStatus status) {
                     end(status == QProcess::NormalExit && code == 0);
                   });
  QObject::connect(process, &QProcess::errorOccurred, context, [end](QProcess::ProcessError error) {
    // A crash is followed by finished; the rest end here.
    if (error == QProcess::FailedToStart) end(false);
  });
  process->start(path, args);
}

}  // namespace pelmo
