#include "ui/window_run.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>

#include <exception>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/error_text.h"
#include "program/program.h"
#include "program/program_files.h"
#include "program/stop_signals.h"
#include "ui/about_dialog.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"

namespace pelmo {

int RefuseStart(StopSignals& stopSignals, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, kAppTitle, QString::fromUtf8(text.c_str()),
                  QMessageBox::Close);
  box.setObjectName("StartRefusalBox");
  QSocketNotifier notifier(stopSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &box, [&] {
    stopSignals.Drain();
    box.reject();
  });
  box.exec();
  return 1;
}

int RunMainWindow(QApplication& app, const CommandLine& line, StopSignals& stopSignals,
                  const std::string& note) {
  SystemClock clock;
  QtEventLoop loop;
  Program program(loop, clock, line.dir, ProgramPath("pelmobot-gui"));
  MainWindow window(program.Faces(), loop);
  window.AddServicePages(program.Services());
  window.AddGamePages(program.GamesOf());
  window.AddTimedPages(program.Timed());
  ErrorReporter reporter(clock, program.Faces().settings.Settings(), JoinPath(line.dir, "Errors"),
                         "pelmobot-gui", kAppTitle);
  auto report = [&](const std::exception& e) {
    reporter.Report(ToLogText(e.what()), QApplication::activeWindow(), &window);
  };
  window.platform.reportError = report;
  loop.SetErrorHandler(report);
  const auto close = [&] { RunGuarded(window.platform, [&] { window.CloseProgram(); }); };
  QSocketNotifier signalNotifier(stopSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &window, [&] {
    stopSignals.Drain();
    close();
  });
  // The session's end closes the program as "Выход" does.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&](QSessionManager&) { close(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, close);

  window.show();
  RunGuarded(window.platform, [&] {
    program.Start([&] { window.ShowStarted(); });
    window.Model().ProgramStarted();
  });
  if (!note.empty()) window.Model().Note(Utf8ToCp1251(note));
  const int code = window.Closed() ? 0 : app.exec();
  window.platform.reportError = nullptr;
  loop.SetErrorHandler(nullptr);
  return code;
}

}  // namespace pelmo
