#include "program/program.h"

#include <algorithm>
#include <cstdio>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "games/birthday_table.h"
#include "core/error_text.h"
#include "core/work_folder.h"
#include "program/new_folder.h"
#include "transport/net.h"

namespace pelmo {

namespace {

constexpr const char* kLockFile = "pelmobot.lock";

bool IsLoopback(std::uint32_t address) { return (address >> 24) == 127; }

BotOptions OptionsFor(const std::string& dir, const std::string& programPath) {
  BotOptions options;
  options.workDir = dir;
  options.programPath = programPath;
  options.interfaces = InterfaceChoices(dir);
  options.joinInterfaces = JoinInterfaces;
  return options;
}

}  // namespace

int CheckBeforeStart(const CommandLine& line, InstanceLock& lock, std::string& message) {
  if (line.birthdayCheck) {
    // Started for the birthdays only: without one today or tomorrow the
    // program ends at once, touching nothing.
    const std::vector<BirthdayEntry> table =
        LoadBirthdays(WorkFolder(line.dir).BotFile("BirthDay.dat"));
    if (!BirthdayTodayOrTomorrow(table, SystemClock().Now())) return 0;
  }
  if (!DirectoryExists(line.dir)) {
    message = "no working folder " + line.dir;
    return 1;
  }
  if (!lock.Acquire(JoinPath(line.dir, kLockFile), message)) return 1;
  return -1;
}

int TakeCommandLine(const CommandLine& line, const std::string& program,
                    const std::string& usage, InstanceLock& lock) {
  if (!line.error.empty()) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), line.error.c_str(),
                 program.c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  if (line.version) {
    std::printf("%s (%s)\n", program.c_str(), kProgramVersion);
    return 0;
  }
  if (line.check) {
    // The front-ends that offer the check take it before this.
    std::fprintf(stderr, "%s: --check is an option of pelmobot\n", program.c_str());
    return 2;
  }
  std::string message;
  const int code = CheckBeforeStart(line, lock, message);
  if (!message.empty()) std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
  if (code == 0 && line.birthdayCheck) {
    // A stray argument would otherwise end the program without a word.
    std::fprintf(stderr,
                 "%s: started with an argument, so only for a birthday; nobody in "
                 "botfile/BirthDay.dat has one today or tomorrow: the bot does not start "
                 "(start it without arguments, or with --dir DIR)\n",
                 program.c_str());
  }
  return code;
}

int AnswerHelpOrVersion(const std::vector<std::string>& argv, const std::string& program,
                        const std::string& usage) {
  CommandLine asked;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (arg == "--") break;
    if (arg == "--dir") {
      ++i;  // a folder, whatever it is called
    } else if (arg == "--help" || arg == "-h") {
      asked.help = true;
    } else if (arg == "--version") {
      asked.version = true;
    }
  }
  if (!asked.help && !asked.version) return -1;
  InstanceLock unused;
  return TakeCommandLine(asked, program, usage, unused);
}

std::vector<std::uint32_t> InterfaceChoices(const std::string& dir) {
  std::vector<std::uint32_t> choices = GetInterfaces();
  const IniFile netIni(WorkFolder(dir).NetIni());
  // An ip that cannot be read gives the all-ones address: not loopback.
  const std::uint32_t ip = TextToAddress(netIni.ReadString("net", "ip", ""));
  if (IsLoopback(ip) &&
      std::find(choices.begin(), choices.end(), ip) == choices.end()) {
    choices.push_back(ip);
  }
  return choices;
}

std::vector<std::uint32_t> JoinInterfaces(std::uint32_t localAddress) {
  if (IsLoopback(localAddress)) return {localAddress};
  return GetInterfaces();
}

// Services, games, then the timed features, whose automatic anecdote is the
// anecdote service's: their subscriptions and steps run in this order.
Program::Program(EventLoop& loop, const Clock& clock, const std::string& dir,
                 const std::string& programPath)
    : m_folderNote(FillNewWorkFolder(dir, ShippedWorkFolder(programPath))),
      m_bot(loop, clock, OptionsFor(dir, programPath)),
      m_services(InstallServices(m_bot.Services())),
      m_games(InstallGames(m_bot.Services())),
      m_timed(m_bot.Services(), [this] { m_services->jokes.GiveAnecdote(0, /*byTimer=*/true); }) {
  InstallTimedFeatures(m_bot.Services(), m_timed);
  if (!m_folderNote.empty()) {
    // First of the start's lines about the folder's files.
    auto& steps = m_bot.Services().on.life.loadLists;
    steps.insert(steps.begin(), [this] {
      // Once: the lists are read again at every reload.
      if (m_folderNote.empty()) return;
      m_bot.Log().LogLine(m_folderNote);
      m_folderNote.clear();
    });
  }
}

void Program::Start(const std::function<void()>& shown) {
  try {
    m_bot.Open();
    if (shown) {
      shown();
      return;
    }
    if (!m_bot.SwitchedOn()) {
      // Without a window nothing else shows why the bot never speaks.
      LogLine(W("Бот выключен: в файле Net.ini, раздел [chat], стоит EnableBot=0; "
                "EnableBot=1 запускает его."));
    }
    m_games->CheckBirthdaysAtStart();
    m_timed.WindowShown();
  } catch (const std::exception& e) {
    LogError(e);
  }
}

void Program::LogError(const std::exception& error) { LogLine(ErrorLogLine(error)); }

void Program::LogLine(const std::string& text) { m_bot.Log().LogLine(text); }

LineLog& Program::Log() { return m_bot.Log(); }

}  // namespace pelmo
