// pelmobot: the bot without a window. The log goes to standard output,
// lines typed on a terminal go into the chat, SIGTERM and SIGINT close the
// program as closing the window does.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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
#include "base/poll_event_loop.h"
#include "base/text_file.h"
#include "console_log.h"
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
    "input are said in the chat. SIGTERM or SIGINT stops the bot, which says\n"
    "goodbye to the chat and counts the run in others.ini.\n";

struct CommandLine {
  std::string dir = ".";
  bool help = false;
  bool version = false;
  bool birthdayCheck = false;
  std::string error;
};

CommandLine ParseCommandLine(int argc, char** argv) {
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

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "pelmobot";
  return std::string(buffer, static_cast<std::size_t>(length));
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

// Standard input on a terminal: each line (UTF-8) goes to the console
// line. Its end only stops the reading, never the bot.
class ConsoleInputReader {
 public:
  ConsoleInputReader(PollEventLoop& loop, Bot& bot) : m_loop(loop), m_bot(bot) {}

  void Start() {
    m_loop.WatchFd(STDIN_FILENO, [this] { ReadSome(); });
  }

 private:
  void ReadSome() {
    char buffer[4096];
    ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR || errno == EAGAIN) return;
      m_loop.UnwatchFd(STDIN_FILENO);
      return;
    }
    if (count == 0) {
      // A last line without its line end is still said.
      if (!m_pending.empty()) Say(std::exchange(m_pending, {}));
      m_loop.UnwatchFd(STDIN_FILENO);
      return;
    }
    m_pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
      std::string line = m_pending.substr(0, end);
      m_pending.erase(0, end + 1);
      Say(line);
    }
    // A line that never ends is cut rather than held without limit.
    if (m_pending.size() > 65536) m_pending.clear();
  }

  void Say(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      m_bot.ConsoleInput(Utf8ToCp1251(line));
    } catch (const std::exception& e) {
      m_bot.log.LogLine(ErrorLogLine(e));
    }
  }

  PollEventLoop& m_loop;
  Bot& m_bot;
  std::string m_pending;
};

int RunBot(const CommandLine& line) {
  // Blocked before any thread starts, so that only the signalfd sees them.
  // A program the bot starts inherits this mask and the ignored signals
  // below: whoever starts one sets them back for it.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    std::perror("pelmobot: sigprocmask");
    return 1;
  }
  ::signal(SIGPIPE, SIG_IGN);
  // Started in the background of a shell, a read of the terminal would stop
  // the whole bot (and, with "stty tostop", so would a log line); ignored,
  // the read fails instead and the console line is given up.
  ::signal(SIGTTIN, SIG_IGN);
  ::signal(SIGTTOU, SIG_IGN);
  int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signalFd < 0) {
    std::perror("pelmobot: signalfd");
    return 1;
  }

  SystemClock clock;
  PollEventLoop loop;
  BotOptions options;
  options.workDir = line.dir;
  options.programPath = ProgramPath();
  options.interfaces = LoopbackInterfaces(line.dir);
  Bot bot(loop, clock, options);
  ConsoleLog console(STDOUT_FILENO, ::isatty(STDOUT_FILENO) == 1);
  bot.AddView(&console);
  std::unique_ptr<InstalledServices> services = InstallServices(bot);
  std::unique_ptr<Games> games = InstallGames(bot);
  TimedFeatures timed(bot, [&services] { services->GiveAnecdote(0, /*byTimer=*/true); });
  InstallTimedFeatures(bot, timed);

  bool closing = false;
  loop.WatchFd(signalFd, [&] {
    signalfd_siginfo info;
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    if (closing) return;
    closing = true;
    // Quit first: should the close fail, the loop still ends.
    loop.Quit();
    bot.FormClose();
  });
  ConsoleInputReader input(loop, bot);
  if (::isatty(STDIN_FILENO) == 1) input.Start();

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
      loop.Run();
      break;
    } catch (const std::exception& e) {
      bot.log.LogLine(ErrorLogLine(e));
    }
  }
  bot.RemoveView(&console);
  ::close(signalFd);
  return 0;
}

int Main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
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
