// pelmochat: a small terminal participant of the chat, on the bot's own
// transport and Net.ini. Prints what it hears, says what is typed, answers
// presence probes; or, with --say, says one line, prints what follows and
// tells by its exit status whether the bot answered (a health check for
// scripts).
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <utility>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/poll_event_loop.h"
#include "base/text_file.h"
#include "chat_client.h"
#include "transport/net.h"

namespace {

using namespace pelmo;

constexpr const char* kVersion = "pelmochat (Pelmo_bot v 1.3)";
constexpr std::chrono::milliseconds kWhoWait{1000};
// Exit statuses: 1 is kept for "--say had no answer", so that a health
// check tells a silent bot from a client that could not even start.
constexpr int kNoAnswer = 1;
constexpr int kSetupFailed = 2;

constexpr const char* kUsage =
    "Usage: pelmochat [--dir DIR] [--nick N] [--host H] [--ip A] [--channel C]\n"
    "       pelmochat [options] --say TEXT [--wait SECONDS]\n"
    "A terminal participant of the chat, reading the chat's settings from\n"
    "DIR/Net.ini (the bot's working folder will do; it is never written).\n"
    "\n"
    "  --dir DIR      the folder holding Net.ini (default: the current folder)\n"
    "  --nick N       the nick shown to the chat (default: the user name)\n"
    "  --host H       the computer name shown to the chat (default: this\n"
    "                 computer's name)\n"
    "  --ip A         this computer's address to talk from (default: Net.ini's\n"
    "                 ip when this computer has it, on a loopback ip a loopback\n"
    "                 address of this process's own; on another computer the\n"
    "                 address of the interface that leads to the chat's group\n"
    "                 or broadcast address)\n"
    "  --channel C    the channel lines are said in (default Main; the bot's\n"
    "                 anecdote command !w answers in its own channel, Anecdot)\n"
    "  --say TEXT     say TEXT, print the chat lines that follow within the\n"
    "                 wait, exit 0 when the bot answered and 1 when it did not\n"
    "                 (2: the settings or the sockets failed, as for any use);\n"
    "                 an answer is a chat line from the bot's nick (Net.ini's\n"
    "                 [chat] Nick) or one sent to this client alone; the bot's\n"
    "                 join, leave or topic is none\n"
    "  --wait SECONDS how long --say listens, and how long the client stays in\n"
    "                 the chat after the end of input that is not a terminal,\n"
    "                 so that the answers to piped lines are heard (default 2)\n"
    "  --help, --version\n"
    "\n"
    "Interactively it joins the chat and prints every chat line, topic, join\n"
    "and leave as \"[hh:nn] {channel} nick: text\". A typed line is said in\n"
    "the main channel; \"/who\" lists who answers a presence probe; \"/topic\n"
    "TEXT\" sets the topic. Ctrl+D or Ctrl+C leaves the chat.\n";

struct Options {
  std::string dir = ".";
  std::string nick;
  std::string host;
  std::string ip;
  std::string channel = "Main";
  std::string say;
  bool sayGiven = false;
  double waitSeconds = 2;
  bool help = false;
  bool version = false;
  std::string error;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  const std::map<std::string, std::string*> valued = {
      {"--dir", &options.dir}, {"--nick", &options.nick}, {"--host", &options.host},
      {"--ip", &options.ip},   {"--say", &options.say}, {"--channel", &options.channel}};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (valued.count(arg) != 0 || arg == "--wait") {
      if (i + 1 >= argc) {
        options.error = arg + " needs a value";
        return options;
      }
      const std::string value = argv[++i];
      if (arg == "--wait") {
        char* end = nullptr;
        options.waitSeconds = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0' || !(options.waitSeconds >= 0) ||
            options.waitSeconds > 3600) {
          options.error = "--wait needs a number of seconds up to 3600";
          return options;
        }
      } else {
        *valued.at(arg) = value;
        if (arg == "--say") options.sayGiven = true;
      }
    } else {
      options.error = "unknown argument " + arg;
      return options;
    }
  }
  if (options.dir.empty()) options.error = "--dir needs a folder";
  if (options.channel.empty()) options.error = "--channel needs a name";
  return options;
}

// Start-up complaints (a bad key in Net.ini) and rejected packets go to
// standard error, in UTF-8.
class ErrorLog final : public LineLog {
 public:
  void LogLine(const std::string& text, std::uint32_t) override {
    std::fprintf(stderr, "pelmochat: %s\n", Cp1251ToUtf8(text).c_str());
  }
};

void Print(const std::string& cp1251) {
  std::fputs((Cp1251ToUtf8(cp1251) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string DefaultNick() {
  const char* user = std::getenv("USER");
  return user != nullptr && *user != '\0' ? user : "pelmochat";
}

std::string DefaultHost() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "pelmochat";
  return name;
}

// Typed lines: "/who", "/topic TEXT", or a line to say.
class Console {
 public:
  // stay: how long to stay after the end of input that is not a terminal.
  Console(PollEventLoop& loop, ChatClient& client, std::chrono::milliseconds stay)
      : m_loop(loop), m_client(client), m_stay(stay) {}

  void Start() { m_loop.WatchFd(STDIN_FILENO, [this] { ReadSome(); }); }
  // Leaves the chat and ends the loop (end of input, a signal).
  void Close() {
    if (m_closed) return;
    m_closed = true;
    m_client.Leave();
    m_loop.Quit();
  }
  void OnPresence(const std::string& nick, const std::string& host) {
    if (m_whoTimer != 0) m_present[nick + " (" + host + ")"] = true;
  }

 private:
  void ReadSome() {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count <= 0) {
      if (!m_pending.empty()) Handle(std::exchange(m_pending, {}));
      m_loop.UnwatchFd(STDIN_FILENO);
      // Piped lines were said a moment ago: their answers are still to come.
      if (::isatty(STDIN_FILENO) == 0 && m_stay.count() > 0) {
        m_loop.StartTimer(m_stay, false, [this] { Close(); });
      } else {
        Close();
      }
      return;
    }
    m_pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
      std::string line = m_pending.substr(0, end);
      m_pending.erase(0, end + 1);
      Handle(std::move(line));
    }
    if (m_pending.size() > 65536) m_pending.clear();
  }

  void Handle(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return;
    const std::string text = Utf8ToCp1251(line);
    if (text == "/who") {
      Who();
    } else if (text.rfind("/topic ", 0) == 0) {
      m_client.SetTopic(text.substr(7));
    } else {
      m_client.Say(text);
    }
  }

  void Who() {
    if (m_whoTimer != 0) return;
    m_present.clear();
    m_client.Probe();
    m_whoTimer = m_loop.StartTimer(kWhoWait, false, [this] {
      m_whoTimer = 0;
      std::string list;
      for (const auto& [entry, unused] : m_present) list += (list.empty() ? "" : ", ") + entry;
      Print("[" + FormatDateTime("hh:nn", SystemClock().Now()) + "] present: " +
            (list.empty() ? std::string("nobody answered") : list));
    });
  }

  PollEventLoop& m_loop;
  ChatClient& m_client;
  std::chrono::milliseconds m_stay;
  std::string m_pending;
  bool m_closed = false;
  EventLoop::TimerId m_whoTimer = 0;
  std::map<std::string, bool> m_present;
};

int Run(const Options& options) {
  const std::string netPath = JoinPath(options.dir, "Net.ini");
  if (!FileExists(netPath)) {
    std::fprintf(stderr, "pelmochat: no Net.ini in %s\n", options.dir.c_str());
    return kSetupFailed;
  }
  const IniFile netIni(netPath);
  std::uint32_t ownAddress = 0;
  if (!options.ip.empty()) {
    ownAddress = TextToAddress(options.ip);
    if (ownAddress == 0xFFFFFFFFu || ownAddress == 0) {
      std::fprintf(stderr, "pelmochat: --ip needs an IPv4 address\n");
      return kSetupFailed;
    }
  }
  ChatNetSettings settings;
  std::string error;
  if (!ReadChatNetSettings(netIni, ownAddress, settings, error)) {
    std::fprintf(stderr, "pelmochat: %s\n", error.c_str());
    return kSetupFailed;
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signalFd < 0) {
    std::perror("pelmochat: signalfd");
    return kSetupFailed;
  }

  ErrorLog log;
  SystemClock clock;
  PollEventLoop loop;
  const std::string nick = Utf8ToCp1251(options.nick.empty() ? DefaultNick() : options.nick);
  const std::string host = Utf8ToCp1251(options.host.empty() ? DefaultHost() : options.host);
  ChatClient client(settings, nick, host, LoadChatKey(netIni, log), clock, log);
  client.SetChannel(Utf8ToCp1251(options.channel));
  if (!client.Open(error)) {
    std::fprintf(stderr, "pelmochat: %s\n", error.c_str());
    ::close(signalFd);
    return kSetupFailed;
  }
  loop.WatchFd(client.Socket().GroupFd(), [&] { client.ReceiveFrom(client.Socket().GroupFd()); });
  loop.WatchFd(client.Socket().OwnFd(), [&] { client.ReceiveFrom(client.Socket().OwnFd()); });

  // The bot's nick as the bot reads it from the same file.
  const std::string botNick = netIni.ReadString("chat", "Nick", "PelmoBot");
  int answers = 0;
  client.OnLine = [&answers, &botNick](const std::string& line,
                                       const ChatClient::LineSource& source) {
    // Others talking is no sign of the bot, nor is the bot joining (a bot
    // started meanwhile never heard the line): an answer is a chat line
    // from its nick, or one to this client alone.
    if (source.chatLine && (source.nick == botNick || source.toThisClientAlone)) ++answers;
    Print(line);
  };
  const auto wait = std::chrono::milliseconds(static_cast<long long>(options.waitSeconds * 1000));

  if (options.sayGiven) {
    // A health check says its line and listens; it does not join, so the
    // bot's greeting never passes for an answer.
    loop.WatchFd(signalFd, [&] { loop.Quit(); });
    client.Say(Utf8ToCp1251(options.say));
    loop.StartTimer(wait, false, [&] { loop.Quit(); });
    loop.Run();
    ::close(signalFd);
    return answers > 0 ? 0 : kNoAnswer;
  }

  Console console(loop, client, wait);
  client.OnPresence = [&console](const std::string& n, const std::string& h) {
    console.OnPresence(n, h);
  };
  loop.WatchFd(signalFd, [&] {
    signalfd_siginfo info;
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    console.Close();
  });
  client.Join();
  console.Start();
  loop.Run();
  ::close(signalFd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = ParseOptions(argc, argv);
    if (!options.error.empty()) {
      std::fprintf(stderr, "pelmochat: %s\nTry 'pelmochat --help'.\n", options.error.c_str());
      return kSetupFailed;
    }
    if (options.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (options.version) {
      std::printf("%s\n", kVersion);
      return 0;
    }
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmochat: %s\n", e.what());
    return kSetupFailed;
  }
}
