// pelmobot-gui: the bot with its control window. The same working folder
// option and the same one-bot-per-folder lock as pelmobot; SIGTERM, SIGINT
// and the end of the desktop session close the program as "Выход" does.
//
// Started from the desktop, nobody reads standard error: a folder that is
// missing (and cannot be made from the installed default one) or taken by
// another bot is said in a box as well. --help and --version are answered
// before the window system is touched, so they work without a display.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
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
#include "program/work_folder_setup.h"
#include "ui/about_dialog.h"
#include "ui/app_icon.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_translations.h"

namespace {

using namespace pelmo;

const std::string kUsage = UsageText("pelmobot-gui",
                                     "Runs the Pelmo_bot chat bot with its control window.",
                                     " Qt's own options (-platform, -display ...) are\n"
                                     "taken as well. A missing working folder is made from the\n"
                                     "installed default one (../share/pelmobot/workdir).\n");

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

// The box of a refused start; a stop request closes it too.
int Refuse(StopSignals& stopSignals, const QString& text) {
  QMessageBox box(QMessageBox::Critical, kAppTitle, text, QMessageBox::Close);
  box.setObjectName("StartRefusalBox");
  QSocketNotifier notifier(stopSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &box, [&] {
    stopSignals.Drain();
    box.reject();
  });
  box.exec();
  return 1;
}

QString RefusalText(const CommandLine& line, const std::string& reason) {
  const QString dir = FromUtf8(line.dir);
  if (!DirectoryExists(line.dir)) {
    return "Нет рабочей папки " + dir +
           ".\n\nУкажите в параметре --dir папку с файлами бота (Net.ini, others.ini, botfile). "
           "Новую папку можно сделать копией /usr/share/pelmobot/workdir.";
  }
  if (reason.rfind("another instance", 0) == 0) {
    return "В рабочей папке " + dir +
           " уже работает бот: другая копия этого окна или pelmobot.\n\n"
           "Два бота в одной папке испортили бы её файлы.";
  }
  return "Рабочая папка " + dir + " недоступна:\n" + FromUtf8(reason);
}

int RunWindow(QApplication& app, const CommandLine& line, StopSignals& stopSignals,
              const QString& note) {
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
  if (!note.isEmpty()) window.Note(note);
  const int code = window.Closed() ? 0 : app.exec();
  window.platform.reportError = nullptr;
  loop.SetErrorHandler(nullptr);
  return code;
}

int Main(int argc, char** argv) {
  if (const int code = AnswerHelpOrVersion(ProgramArguments(argc, argv), "pelmobot-gui", kUsage);
      code >= 0) {
    return code;
  }
  StopSignals stopSignals;
  QApplication app(argc, argv);
  QApplication::setApplicationName("pelmobot-gui");
  QApplication::setWindowIcon(AppIcon(true));
  QGuiApplication::setDesktopFileName("pelmobot-gui");
  // Hidden in the notification area the window is still the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // The stock dialogs (colour, input, Yes/No) in the desktop's language.
  InstallQtTranslations(QLocale::system());

  std::vector<std::string> args;
  for (const QString& arg : QApplication::arguments()) args.push_back(arg.toStdString());
  const CommandLine line = ParseCommandLine(args);
  InstanceLock lock;
  if (!line.error.empty()) return TakeCommandLine(line, "pelmobot-gui", kUsage, lock);

  // A first start from the desktop: the working folder is made as
  // dist/run-bot.sh makes it for the headless bot.
  QString note;
  if (!line.birthdayCheck && !DirectoryExists(line.dir)) {
    const std::string from = InstalledWorkFolder(ProgramPath("pelmobot-gui"));
    std::string error;
    if (from.empty()) {
      // Said below, as any missing folder.
    } else if (CreateWorkFolder(from, line.dir, error)) {
      std::fprintf(stderr, "pelmobot-gui: created the working folder %s from %s\n",
                   line.dir.c_str(), from.c_str());
      note = "Рабочей папки " + FromUtf8(line.dir) + " не было: она создана из " +
             FromUtf8(from) + ". Настройки бота — на вкладке «Настройки».";
    } else {
      std::fprintf(stderr, "pelmobot-gui: %s\n", error.c_str());
    }
  }

  std::string reason;
  if (const int code = CheckBeforeStart(line, lock, reason); code >= 0) {
    if (reason.empty()) return code;
    std::fprintf(stderr, "pelmobot-gui: %s\n", reason.c_str());
    return Refuse(stopSignals, RefusalText(line, reason));
  }
  return RunWindow(app, line, stopSignals, note);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot-gui: %s\n", e.what());
    return 1;
  }
}
