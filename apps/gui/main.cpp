// pelmobot-gui: the bot with its control window. The same working folder
// option and the same one-bot-per-folder lock as pelmobot; SIGTERM, SIGINT
// and the end of the desktop session close the program as "Выход" does.
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "core/error_text.h"
#include "program/program.h"
#include "program/program_files.h"
#include "program/stop_signals.h"
#include "ui/about_dialog.h"
#include "ui/app_icon.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"

namespace {

using namespace pelmo;

const std::string kUsage = UsageText("pelmobot-gui",
                                     "Runs the Pelmo_bot chat bot with its control window.",
                                     " Qt's own options (-platform, -display ...) are\n"
                                     "taken as well.\n");

int RunWindow(QApplication& app, const CommandLine& line, StopSignals& stopSignals) {
  SystemClock clock;
  QtEventLoop loop;
  Program program(loop, clock, line.dir, ProgramPath("pelmobot-gui"));
  MainWindow window(program.Control());
  window.AddServicePages(program.Services());
  window.AddGamePages(program.GamesOf());
  window.AddTimedPages(program.Timed());
  ErrorReporter reporter(clock, program.Control().Settings(), JoinPath(line.dir, "Errors"),
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
  RunGuarded(window.platform, [&] { window.FormCreate(); });
  const int code = window.Closed() ? 0 : app.exec();
  window.platform.reportError = nullptr;
  loop.SetErrorHandler(nullptr);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    StopSignals stopSignals;
    QApplication app(argc, argv);
    QApplication::setApplicationName("pelmobot-gui");
    QApplication::setApplicationDisplayName(kAppTitle);
    QApplication::setWindowIcon(AppIcon(true));
    QGuiApplication::setDesktopFileName("pelmobot-gui");
    // Hidden in the notification area the window is still the program.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments()) args.push_back(arg.toStdString());
    const CommandLine line = ParseCommandLine(args);
    InstanceLock lock;
    if (const int code = TakeCommandLine(line, "pelmobot-gui", kUsage, lock); code >= 0) {
      return code;
    }
    return RunWindow(app, line, stopSignals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot-gui: %s\n", e.what());
    return 1;
  }
}
