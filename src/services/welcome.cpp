#include "services/welcome.h"


#include <optional>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "base/random.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "core/work_folder.h"
#include "transport/net_settings.h"

namespace pelmo {

namespace {

constexpr std::size_t kMaxFieldWidth = 65535;
constexpr std::uint32_t kDefaultLines = 15;

// title: Windows-1251.
std::string Banner(const std::string& title) {
  return std::string(64, ' ') + title + "\r\n";
}

// Reads a run of digits; nullopt when there is none. "*" would take an
// integer argument, and the only argument is a string.
std::optional<std::size_t> ReadCount(const std::string& pattern, std::size_t& i) {
  if (i < pattern.size() && pattern[i] == '*') {
    throw PatternError("defvhod.ini pattern takes an integer argument: " + pattern);
  }
  std::size_t start = i;
  std::size_t value = 0;
  while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
    value = value * 10 + static_cast<std::size_t>(pattern[i] - '0');
    if (value > kMaxFieldWidth) {
      throw PatternError("defvhod.ini pattern has too wide a field: " + pattern);
    }
    ++i;
  }
  if (i == start) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatWithNick(const std::string& pattern, const std::string& nick) {
  std::string out;
  std::size_t nextArgument = 0;
  std::size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < pattern.size() && pattern[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // "%" [index ":"] ["-"] [width] ["." prec] type
    std::optional<std::size_t> number = ReadCount(pattern, i);
    std::optional<std::size_t> index;
    if (number && i < pattern.size() && pattern[i] == ':') {
      index = number;
      number.reset();
      ++i;
    }
    bool left = false;
    if (!number) {
      if (i < pattern.size() && pattern[i] == '-') {
        left = true;
        ++i;
      }
      number = ReadCount(pattern, i);
    }
    std::size_t width = number.value_or(0);
    std::optional<std::size_t> precision;
    if (i < pattern.size() && pattern[i] == '.') {
      ++i;
      precision = ReadCount(pattern, i).value_or(0);
    }
    if (i >= pattern.size() || (pattern[i] != 's' && pattern[i] != 'S')) {
      throw PatternError("defvhod.ini pattern does not fit one string: " + pattern);
    }
    ++i;
    std::size_t argument = index.value_or(nextArgument);
    if (argument != 0) {
      throw PatternError("defvhod.ini pattern wants a second argument: " + pattern);
    }
    nextArgument = argument + 1;
    std::string value = precision && *precision < nick.size() ? nick.substr(0, *precision) : nick;
    std::string fill = width > value.size() ? std::string(width - value.size(), ' ') : std::string();
    out += left ? value + fill : fill + value;
  }
  return out;
}

Welcome::Welcome(const WorkFolder& folder, const BotSettings& settings,
                 Random& random, Replies& replies, LineLog& log)
    : m_folder(folder), m_settings(settings), m_random(random), m_replies(replies), m_log(log) {}

std::string Welcome::DefaultMessage(const std::string& key, const std::string& nick) const {
  IniFile ini(m_folder.BotFile("defvhod.ini"));
  std::string pattern = ini.ReadString("Messages", key, "");
  if (pattern.empty()) return "Message not found !";
  return FormatWithNick(pattern, nick);
}

std::optional<std::string> Welcome::DefaultLine(const std::string& key,
                                                const std::string& nick) {
  try {
    return DefaultMessage(key, nick);
  } catch (const PatternError&) {
    // A joiner's topic, notices and bans must not hang on one bad line of
    // the file; a pattern that fails once fails for every nick, so it is
    // named once.
    const std::string pattern =
        IniFile(m_folder.BotFile("defvhod.ini")).ReadString("Messages", key, "");
    if (m_badPatterns.insert(pattern).second) {
      m_log.LogLine(W("defvhod.ini: строка ") + key + W(" не подходит под ник (нужно одно %s), "
                                                         "она не отправляется: ") +
                        pattern,
                    255);
    }
    return std::nullopt;
  }
}

void Welcome::SayToAll(const std::string& text) {
  m_replies.SayTo(m_replies.Settings().SendAddress, text, kKindLine);
}

void Welcome::SendEntryMessage(const std::string& nick) {
  for (const std::string& line : ReadDataLines(m_folder.BotFile("vhod.txt"))) {
    std::size_t colon = line.find(':');
    // A line without ":" has an empty nick part.
    std::string_view part = colon == std::string::npos
                                ? std::string_view()
                                : std::string_view(line).substr(0, colon);
    if (part != nick) continue;
    // Without ": " the message starts at the line's second character, as
    // the lines have always been cut.
    std::size_t separator = line.find(": ");
    std::size_t start = separator == std::string::npos ? 1 : separator + 2;
    SayToAll(start < line.size() ? line.substr(start) : std::string());
    return;
  }
  if (m_settings.DefaultMsgCB) {
    std::uint32_t k = m_random.Next(kDefaultLines);
    if (auto line = DefaultLine("EnterMessage" + std::to_string(k), nick)) SayToAll(*line);
  }
}

void Welcome::SendQuitMessage(const std::string& nick) {
  if (!m_settings.DefaultMsgCB) return;
  std::uint32_t k = m_random.Next(kDefaultLines);
  if (auto line = DefaultLine("QuitMessage" + std::to_string(k), nick)) SayToAll(*line);
}

void Welcome::SendAnecdoteChannelName(std::uint32_t address) {
  if (!m_settings.ShowNameChanCB) return;
  m_replies.SayTo(address, W("Канал для анекдотов: ") + m_settings.AnecChannelE, kKindLine);
}

void Welcome::SendQuizChannelName(std::uint32_t address) {
  m_replies.SayTo(address, W("Канал Викторины: ") + m_settings.NameChanVicE, kKindLine);
}

void Welcome::SendStartMessage(std::uint32_t address) {
  if (!m_settings.StartMessageCB) return;
  std::string text = "\r\n\r\n" + Banner(W("(*)   И Н Ф О Р М А Ц И Я   (*)")) + JoinLines(m_info);
  const std::uint32_t to = m_settings.StartMsgPrivateCB ? address : m_replies.Settings().SendAddress;
  m_replies.SayTo(to, text, kKindLine);
}

void Welcome::SendWeatherText(std::uint32_t address) {
  std::vector<std::string> weather = ReadDataLines(m_folder.BotFile("weather.txt"));
  m_replies.SayTo(address, "\r\n" + Banner(W("(*)   Погода   (*)")) + JoinLines(weather),
                  kKindLine);
}

void Welcome::AddInfoLine(const std::string& text) {
  const std::string path = m_folder.BotFile("welcom.txt");
  std::optional<std::string> contents = ReadTextFile(path);
  if (!contents && FileExists(path)) throw FileError("не удалось прочитать " + path);
  std::string info = contents ? std::move(*contents) : std::string();
  // A last line typed without its end keeps its own line.
  if (!info.empty() && info.back() != '\n' && info.back() != '\r') info += "\r\n";
  // Line ends inside the text are written as CR LF, as the file's own.
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) lines.emplace_back();  // an empty text is an empty line
  RewriteFile(path, info + JoinLines(lines));
  if (m_infoLoaded) LoadInfoText();
  SayToAll(text + W(" Добавлена в файл ИНФОРМАЦИЯ!"));
}

void Welcome::LoadInfoText() {
  std::optional<std::string> contents = ReadTextFile(m_folder.BotFile("welcom.txt"));
  m_info = contents ? SplitLines(*contents) : std::vector<std::string>();
  m_infoLoaded = true;
}

void Welcome::DropInfoText() {
  m_info.clear();
  m_infoLoaded = false;
}

void InstallWelcome(ServiceContext& context, Welcome& welcome) {
  const BotSettings& settings = context.settings;
  Subscriptions& on = context.on;
  on.greeting.Add(GreetingStep::EntryMessage,
                  [&welcome](const ChatEvent& event) { welcome.SendEntryMessage(event.nick); });
  on.greeting.Add(GreetingStep::AnecdoteChannelName, [&welcome, &settings](const ChatEvent& event) {
    if (settings.AutoAforizmCB) welcome.SendAnecdoteChannelName(event.address);
  });
  on.greeting.Add(GreetingStep::QuizChannelName, [&welcome, &settings](const ChatEvent& event) {
    if (settings.PocazNameChanCB) welcome.SendQuizChannelName(event.address);
  });
  on.greeting.Add(GreetingStep::StartMessage, [&welcome, &settings](const ChatEvent& event) {
    if (settings.DefaultMsgCB) welcome.SendStartMessage(event.address);
  });
  on.leave.Add(LeaveStep::QuitMessage,
               [&welcome](const ChatEvent& event) { welcome.SendQuitMessage(event.nick); });
  on.life.started.push_back([&welcome] { welcome.LoadInfoText(); });
  on.life.reloaded.push_back([&welcome] { welcome.LoadInfoText(); });
  on.life.stopped.push_back([&welcome] { welcome.DropInfoText(); });

  CommandTable& table = context.commands;
  table.Add(CommandRow{
      .place = CommandPlace::Weather,
      .aliases = {W("погода"), "gjujlf", "weather", W("цуферук")},
      .note = W(") команда показать погоду."),
      .handler = [&welcome](CommandContext& command) {
        welcome.SendWeatherText(command.event.address);
      },
  });
  table.Add(CommandRow{
      .place = CommandPlace::Info,
      .aliases = {"info ", W("инфо ")},
      .k = 5,
      .right = CommandRight::Administrator,
      .note = W(") команда Администратора (Информация)"),
      .handler = [&welcome](CommandContext& command) { welcome.AddInfoLine(command.argument); },
  });
}

}  // namespace pelmo
