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

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "pages/window_start.h"
#include "program/program.h"
#include "program/program_files.h"
#include "program/stop_signals.h"
#include "ui/app_icon.h"
#include "ui/qt_translations.h"
#include "ui/window_run.h"

namespace {

using namespace pelmo;

const std::string kUsage = UsageText("pelmobot-gui",
                                     "Runs the Pelmo_bot chat bot with its control window.",
                                     " Qt's own options (-platform, -display ...) are\n"
                                     "taken as well. A missing working folder is made from the\n"
                                     "installed default one (../share/pelmobot/workdir).\n");

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
  CommandLine line = ParseCommandLine(args);
  ChooseWorkFolder(line, ProgramPath("pelmobot-gui"), kWorkFolderIsProgramFolder);
  InstanceLock lock;
  if (!line.error.empty()) return TakeCommandLine(line, "pelmobot-gui", kUsage, lock);

  const WindowStart start = CheckWindowStart(line, "pelmobot-gui", ProgramPath("pelmobot-gui"), lock);
  if (start.code >= 0) return start.refusal.empty() ? start.code : RefuseStart(stopSignals, start.refusal);
  return RunMainWindow(app, line, stopSignals, start.note);
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
