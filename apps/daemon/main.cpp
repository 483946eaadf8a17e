// pelmobot: the bot without a window. The log goes to standard output,
// lines typed on a terminal go into the chat, SIGTERM and SIGINT (on
// Windows Ctrl+C and closing the console) close the program as closing the
// window does. The platform's part is console_session.h.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "console_session.h"
#include "core/birthday_check.h"
#include "core/bot.h"
#include "core/error_text.h"
#include "games/install_games.h"
#include "instance_lock.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "transport/net.h"

namespace {

using namespace pelmo;

constexpr const char* kVersion = "Pelmo_bot v 1.3";
constexpr const char* kLockFile = "pelmobot.lock";

constexpr const char* kUsage =
    "Usage: pelmobot [--dir DIR] [ANY...]\n"
    "Runs the Pelmo_bot chat bot without a window.\n"
    "\n"
    "  --dir DIR   the working folder with Net.ini, others.ini, extcmds.ini,\n"
    "              botfile/ and user/ (default: the current folder)\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Any other argument (not an option) selects the birthday-check start:\n"
    "the bot runs only when somebody in botfile/BirthDay.dat has a birthday\n"
    "today or tomorrow.\n"
    "\n"
    "The log goes to standard output. On a terminal, lines typed on standard\n"
    "input are said in the chat. SIGTERM or SIGINT (on Windows Ctrl+C or\n"
    "closing the console window) stops the bot, which says goodbye to the\n"
    "chat and counts the run in others.ini.\n";

struct CommandLine {
  std::string dir = ".";
  bool help = false;
  bool version = false;
  bool birthdayCheck = false;
  std::string error;
};

CommandLine ParseCommandLine(const std::vector<std::string>& argv) {
  const int argc = static_cast<int>(argv.size());
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--dir") {
      if (i + 1 >= argc) {
        line.error = "--dir needs a folder";
        return line;
      }
      line.dir = argv[++i];
    } else if (arg.rfind("--dir=", 0) == 0) {
      line.dir = arg.substr(6);
    } else if (arg == "--") {
      // Whatever follows is an argument, even when it begins with "-".
      line.birthdayCheck = line.birthdayCheck || i + 1 < argc;
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      // A mistyped option must not pass for the birthday-check start.
      line.error = "unknown option " + arg;
      return line;
    } else {
      line.birthdayCheck = true;
    }
  }
  if (line.dir.empty()) line.error = "--dir needs a folder";
  return line;
}

// With the bot on a loopback address, the multicast group is joined on
// loopback only: joining it on the other interfaces would announce the
// membership on their networks, and the shipped working folder promises
// that nothing leaves the machine.
std::vector<std::uint32_t> LoopbackInterfaces(const std::string& dir) {
  const IniFile netIni(JoinPath(dir, "Net.ini"));
  const std::string ip = netIni.ReadString("net", "ip", "");
  if (ip.empty()) return {};
  const std::uint32_t address = TextToAddress(ip);
  if ((address >> 24) != 127) return {};
  return {address};
}

int RunBot(const CommandLine& line) {
  std::unique_ptr<ConsoleSession> session;
  try {
    session = std::make_unique<ConsoleSession>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot: %s\n", e.what());
    return 1;
  }

  SystemClock clock;
  BotOptions options;
  options.workDir = line.dir;
  options.programPath = ProgramPath();
  options.interfaces = LoopbackInterfaces(line.dir);
  Bot bot(session->Loop(), clock, options);
  bot.AddView(&session->LogView());
  std::unique_ptr<InstalledServices> services = InstallServices(bot);
  std::unique_ptr<Games> games = InstallGames(bot);
  TimedFeatures timed(bot, [&services] { services->GiveAnecdote(0, /*byTimer=*/true); });
  InstallTimedFeatures(bot, timed);

  bool closing = false;
  session->Start(
      [&] {
        if (closing) return;
        closing = true;
        // Quit first: should the close fail, the loop still ends.
        session->Quit();
        bot.FormClose();
      },
      [&](const std::string& typed) {
        try {
          bot.ConsoleInput(Utf8ToCp1251(typed));
        } catch (const std::exception& e) {
          bot.log.LogLine(ErrorLogLine(e));
        }
      });

  // An error escaping a handler is reported and the loop goes on, as the
  // window's message loop would after its error report.
  try {
    bot.FormCreate();
    games->CheckBirthdaysAtStart();
    // Without a window, the program's start is the window's first showing.
    timed.WindowShown();
  } catch (const std::exception& e) {
    bot.log.LogLine(ErrorLogLine(e));
  }
  for (;;) {
    try {
      session->Run();
      break;
    } catch (const std::exception& e) {
      bot.log.LogLine(ErrorLogLine(e));
    }
  }
  bot.RemoveView(&session->LogView());
  return 0;
}

int Main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(ProgramArguments(argc, argv));
  if (!line.error.empty()) {
    std::fprintf(stderr, "pelmobot: %s\nTry 'pelmobot --help'.\n", line.error.c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (line.version) {
    std::printf("pelmobot (%s)\n", kVersion);
    return 0;
  }

  if (line.birthdayCheck) {
    // Started for the birthdays only: without one today or tomorrow the
    // program ends at once, touching nothing.
    const std::vector<BirthdayEntry> table =
        LoadBirthdays(JoinPath(JoinPath(line.dir, "botfile"), "BirthDay.dat"));
    if (!BirthdayTodayOrTomorrow(table, SystemClock().Now())) return 0;
  }

  if (!DirectoryExists(line.dir)) {
    std::fprintf(stderr, "pelmobot: no working folder %s\n", line.dir.c_str());
    return 1;
  }
  InstanceLock lock;
  std::string error;
  if (!lock.Acquire(JoinPath(line.dir, kLockFile), error)) {
    std::fprintf(stderr, "pelmobot: %s\n", error.c_str());
    return 1;
  }
  return RunBot(line);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot: %s\n", e.what());
    return 1;
  }
}
