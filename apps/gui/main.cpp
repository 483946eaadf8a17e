// pelmobot-gui: the bot with its control window. The same working folder
// option and the same one-bot-per-folder lock as pelmobot; SIGTERM, SIGINT
// and the end of the desktop session close the program as "Выход" does.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "core/birthday_check.h"
#include "core/bot.h"
#include "core/error_text.h"
#include "games/install_games.h"
#include "instance_lock.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "transport/net.h"
#include "ui/about_dialog.h"
#include "ui/app_icon.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"

namespace {

using namespace pelmo;

constexpr const char* kLockFile = "pelmobot.lock";

constexpr const char* kUsage =
    "Usage: pelmobot-gui [--dir DIR] [ANY...]\n"
    "Runs the Pelmo_bot chat bot with its control window.\n"
    "\n"
    "  --dir DIR   the working folder with Net.ini, others.ini, extcmds.ini,\n"
    "              botfile/ and user/ (default: the current folder)\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Any other argument (not an option) selects the birthday-check start:\n"
    "the bot runs only when somebody in botfile/BirthDay.dat has a birthday\n"
    "today or tomorrow. Qt's own options (-platform, -display ...) are\n"
    "taken as well.\n";

struct CommandLine {
  std::string dir = ".";
  bool help = false;
  bool version = false;
  bool birthdayCheck = false;
  std::string error;
};

CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine line;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const std::string arg = args[i].toStdString();
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--dir") {
      if (i + 1 >= args.size()) {
        line.error = "--dir needs a folder";
        return line;
      }
      line.dir = args[++i].toStdString();
    } else if (arg.rfind("--dir=", 0) == 0) {
      line.dir = arg.substr(6);
    } else if (arg == "--") {
      line.birthdayCheck = line.birthdayCheck || i + 1 < args.size();
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      line.error = "unknown option " + arg;
      return line;
    } else {
      line.birthdayCheck = true;
    }
  }
  if (line.dir.empty()) line.error = "--dir needs a folder";
  return line;
}

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "pelmobot-gui";
  return std::string(buffer, static_cast<std::size_t>(length));
}

// On a loopback address the group is joined on loopback only (as pelmobot
// does), so that nothing is announced on the other interfaces' networks.
std::vector<std::uint32_t> LoopbackInterfaces(const std::string& dir) {
  const IniFile netIni(JoinPath(dir, "Net.ini"));
  const std::string ip = netIni.ReadString("net", "ip", "");
  if (ip.empty()) return {};
  const std::uint32_t address = TextToAddress(ip);
  if ((address >> 24) != 127) return {};
  return {address};
}

int RunWindow(QApplication& app, const CommandLine& line, int signalFd) {
  SystemClock clock;
  QtEventLoop loop;
  BotOptions options;
  options.workDir = line.dir;
  options.programPath = ProgramPath();
  options.interfaces = LoopbackInterfaces(line.dir);
  Bot bot(loop, clock, options);
  std::unique_ptr<InstalledServices> services = InstallServices(bot);
  std::unique_ptr<Games> games = InstallGames(bot);
  TimedFeatures timed(bot, [&services] { services->GiveAnecdote(0, /*byTimer=*/true); });
  InstallTimedFeatures(bot, timed);

  MainWindow window(bot);
  window.AddServicePages(*services);
  window.AddGamePages(*games);
  window.AddTimedPages(timed);
  ErrorReporter reporter(clock, bot.settings, JoinPath(line.dir, "Errors"), "pelmobot-gui",
                         kAppTitle);
  auto report = [&](const std::exception& e) {
    reporter.Report(ToLogText(e.what()), QApplication::activeWindow(), &window);
  };
  window.platform.reportError = report;
  loop.SetErrorHandler(report);

  QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &window, [&] {
    signalfd_siginfo info;
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    RunGuarded(window.platform, [&] { window.CloseProgram(); });
  });
  // The session's end closes the program as "Выход" does.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&](QSessionManager&) {
    RunGuarded(window.platform, [&] { window.CloseProgram(); });
  });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                   [&] { RunGuarded(window.platform, [&] { window.CloseProgram(); }); });

  window.show();
  RunGuarded(window.platform, [&] { window.FormCreate(); });
  if (window.Closed()) return 0;
  const int code = app.exec();
  window.platform.reportError = nullptr;
  loop.SetErrorHandler(nullptr);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  // Blocked before Qt starts any thread, so that only the signalfd sees
  // them.
  sigset_t signalSet;
  sigemptyset(&signalSet);
  sigaddset(&signalSet, SIGTERM);
  sigaddset(&signalSet, SIGINT);
  if (sigprocmask(SIG_BLOCK, &signalSet, nullptr) != 0) {
    std::perror("pelmobot-gui: sigprocmask");
    return 1;
  }
  ::signal(SIGPIPE, SIG_IGN);
  const int signalFd = ::signalfd(-1, &signalSet, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signalFd < 0) {
    std::perror("pelmobot-gui: signalfd");
    return 1;
  }

  try {
    QApplication app(argc, argv);
    QApplication::setApplicationName("pelmobot-gui");
    QApplication::setApplicationDisplayName(kAppTitle);
    QApplication::setWindowIcon(AppIcon(true));
    QGuiApplication::setDesktopFileName("pelmobot-gui");
    // Hidden in the notification area the window is still the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const CommandLine line = ParseCommandLine(QApplication::arguments());
    if (!line.error.empty()) {
      std::fprintf(stderr, "pelmobot-gui: %s\nTry 'pelmobot-gui --help'.\n", line.error.c_str());
      return 2;
    }
    if (line.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (line.version) {
      std::printf("pelmobot-gui (%s)\n", kAppTitle);
      return 0;
    }
    if (line.birthdayCheck) {
      const std::vector<BirthdayEntry> table =
          LoadBirthdays(JoinPath(JoinPath(line.dir, "botfile"), "BirthDay.dat"));
      if (!BirthdayTodayOrTomorrow(table, SystemClock().Now())) return 0;
    }
    if (!DirectoryExists(line.dir)) {
      std::fprintf(stderr, "pelmobot-gui: no working folder %s\n", line.dir.c_str());
      return 1;
    }
    InstanceLock lock;
    std::string error;
    if (!lock.Acquire(JoinPath(line.dir, kLockFile), error)) {
      std::fprintf(stderr, "pelmobot-gui: %s\n", error.c_str());
      return 1;
    }
    return RunWindow(app, line, signalFd);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot-gui: %s\n", e.what());
    return 1;
  }
}
