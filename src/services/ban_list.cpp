#include "services/ban_list.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "transport/net_settings.h"

namespace pelmo {

namespace {

constexpr std::string_view kSection = "BanList";
constexpr std::size_t kExpiryLength = 19;
// How long the list of banning lines is taken as current before the file
// is looked at again. Every chat command consults it, and a look at the
// file costs a system call; an operator's edit by hand shows within this
// time, the bot's own writes at once.
constexpr std::uint64_t kLookIntervalMs = 1000;

// title: Windows-1251.
std::string Heading(const std::string& title) {
  return "\r\n\r\n" + std::string(64, ' ') + title + "\r\n";
}

// The expiry always takes the last 19 characters of a host=date time line;
// a shorter line is shown whole.
std::string_view ExpiryOf(std::string_view line) {
  return line.size() <= kExpiryLength ? line : line.substr(line.size() - kExpiryLength);
}

std::string ReadBanFile(const std::string& path) {
  // An operator who deletes the file to clear the bans leaves no bans.
  if (PathMissing(path)) return std::string();
  std::optional<std::string> contents = ReadWholeFile(path);
  if (!contents) throw FileError("не удалось прочитать " + path);
  return std::move(*contents);
}

}  // namespace

std::string BanListingText(const std::vector<std::string>& lines,
                           const std::string& heading) {
  std::string text = heading;
  std::size_t n = lines.size();
  std::size_t first = n > kBanListingLines ? n - kBanListingLines : 0;
  for (std::size_t p = n; p > first; --p) {
    text += "\r\n";
    text += lines[p - 1];
  }
  return text;
}

BanList::BanList(std::string banPath, Replies& replies, const Clock& clock)
    : m_path(std::move(banPath)), m_replies(replies), m_clock(clock) {}

const std::unordered_map<std::string, std::string>& BanList::BannedLines() {
  const std::uint64_t now = m_clock.TickMs();
  if (m_lookedAtMs && now - *m_lookedAtMs < kLookIntervalMs) return m_bannedLines;
  m_lookedAtMs.reset();
  const std::optional<FileVersion> version = VersionOfFile(m_path);
  if (version && version == m_contentsVersion) {
    m_lookedAtMs = now;
    return m_bannedLines;
  }
  m_contentsVersion.reset();
  m_bannedLines.clear();
  const std::string contents = ReadBanFile(m_path);
  std::string_view rest = contents;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos) {
      rest = {};
    } else {
      std::size_t skip = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
      rest.remove_prefix(end + skip);
    }
    // A line without "=" (the section header among them) names no
    // computer: it bans nobody, not even a sender without a host name.
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string host(line.substr(0, equals));
    m_bannedLines.emplace(host, std::string(line));
    // Hosts are compared as the packets carry them, in Windows-1251; a
    // line an operator wrote in UTF-8 names its host in that form too. The
    // file itself is never converted: the bot's own lines hold the hosts'
    // bytes as they came.
    if (IsUtf8Text(host)) m_bannedLines.emplace(ToCp1251Text(host), std::string(line));
  }
  // Read from the version looked at or a later one; a later one differs
  // from it and is read at the next look.
  m_contentsVersion = version;
  m_lookedAtMs = now;
  return m_bannedLines;
}

bool BanList::CheckBan(const std::string& host, const std::string& nick,
                       std::uint32_t address, bool reply) {
  const std::unordered_map<std::string, std::string>& banned = BannedLines();
  const auto found = banned.find(host);
  if (found == banned.end()) return false;
  if (reply) {
    std::string text = nick + W(", Вам отказано в использовании бота, ваш бан до: ");
    text += ExpiryOf(found->second);
    text += "\n\r";
    text += W("Ручная проверка бана (!refreshban или !проверить бан)");
    m_replies.SayTo(address, text, kKindLine);
  }
  return true;
}

void BanList::RefreshBan(const std::string& host) {
  IniFile ini(m_path);
  std::string value = ini.ReadString(kSection, host, "");
  TDateTime expiry = 0;
  // A value that does not read as a date and time (a line typed by hand in
  // the chat) counts as expired: a ban nobody can lift would be worse.
  bool lasting = !value.empty() && TryStrToDateTime(value, expiry) &&
                 expiry > m_clock.Now();
  if (!lasting) ini.DeleteKey(kSection, host);
  LoadBanListBox();
}

bool IsBanLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  // The ban check compares the key byte for byte: blanks around it, or no
  // key at all, would ban nobody. A key that opens with "[" reads as a
  // section header, which would put every later ban out of the expiry
  // check's reach.
  const std::string key = line.substr(0, equals);
  if (key.empty() || TrimControls(key) != key || key.front() == '[') return false;
  // A date that does not read would count as expired at the host's next
  // join, so the ban would end as soon as it is met.
  TDateTime expiry = 0;
  return TryStrToDateTime(line.substr(equals + 1), expiry);
}

bool BanList::AddBanLine(const std::string& typed, std::uint32_t address) {
  // One ban is one line: what follows a line end would otherwise land in
  // the file as lines (or sections) of their own.
  const std::string line = typed.substr(0, typed.find_first_of("\r\n"));
  if (!IsBanLine(line)) {
    m_replies.SayTo(address, W("Бан не добавлен. Нужно так: !ban компьютер=дд.мм.гггг чч:мм:сс"),
                    kKindLine);
    return false;
  }

  // A file that exists but cannot be read must not be overwritten.
  std::string text = FileExists(m_path) ? ReadBanFile(m_path) : std::string();
  if (SplitLines(text).empty()) {
    // Without the section header the line could never be found by the
    // expiry check, so the ban would last for ever.
    text = "[" + std::string(kSection) + "]\r\n";
  } else if (text.back() != '\n' && text.back() != '\r') {
    // A last line typed without its end keeps its own line.
    text += "\r\n";
  }
  RewriteFile(m_path, text + line + "\r\n");
  m_replies.SayTo(m_replies.Settings().SendAddress,
                  line + "%cf%" + W(" Добавлен в Бан лист"), kKindLine);
  LoadBanListBox();
  return true;
}

std::string BanList::ListingFor(const std::string& heading) const {
  return BanListingText(ReadDataLines(m_path), heading);
}

void BanList::SendBanList(std::uint32_t address) {
  m_replies.SayTo(address, ListingFor(Heading(W("(*)   Бан Лист   (*)"))), kKindListing);
}

void BanList::SendBanned(std::uint32_t address) {
  m_replies.SayTo(address, ListingFor(Heading(W("(*)   Кто забанен   (*)"))), kKindLine);
}

void BanList::LoadBanListBox() {
  // Every write of the file ends here: the next check looks at it again.
  m_lookedAtMs.reset();
  std::optional<std::string> contents = ReadWholeFile(m_path);
  m_listBan = contents ? SplitLines(*contents) : std::vector<std::string>();
}

bool BanList::AddBanB(const std::string& host, TDateTime date,
                      const std::string& timeText) {
  if (host.empty() || timeText.empty()) return false;
  IniFile ini(m_path);
  bool written = ini.WriteString(kSection, host, DateToStr(date) + " " + timeText);
  LoadBanListBox();
  return written;
}

bool BanList::DelBanB(const std::string& line) {
  LoadBanListBox();
  const auto found = std::find(m_listBan.begin() + (m_listBan.empty() ? 0 : 1), m_listBan.end(), line);
  if (found == m_listBan.end()) return false;
  m_listBan.erase(found);
  RewriteLines(m_path, m_listBan);
  LoadBanListBox();
  return true;
}

void InstallBanList(ServiceContext& context, BanList& bans) {
  const BotSettings& settings = context.settings;
  Subscriptions& on = context.on;
  on.life.loadLists.push_back([&bans] { bans.LoadBanListBox(); });

  on.greeting.Add(GreetingStep::CheckBan, [&bans](const ChatEvent& event) {
    return bans.CheckBan(event.host, event.nick, event.address, false) ? Flow::Halt
                                                                       : Flow::Continue;
  });
  on.greeting.Add(GreetingStep::BannedList, [&bans, &settings](const ChatEvent& event) {
    if (settings.ShowBannedCB) bans.SendBanned(event.address);
  });
  on.join.Add(JoinStep::RefreshBan, [&bans](const ChatEvent& event) { bans.RefreshBan(event.host); });

  on.line.Add(LineStep::CheckBan, [&bans, &settings](const ChatEvent& event) {
    if (IsCommandLine(event.text)) {
      return bans.CheckBan(event.host, event.nick, event.address, true) ? Flow::Halt
                                                                         : Flow::Continue;
    }
    // Short ordinary lines consult the ban list, and nothing follows from
    // the answer; longer lines are left alone.
    if (static_cast<long long>(event.text.size()) < settings.FloodE) {
      bans.CheckBan(event.host, event.nick, event.address, false);
    }
    return Flow::Continue;
  });
  on.passwordLine.Add(PasswordLineStep::CheckBan, [&bans](const ChatEvent& event) {
    if (!IsCommandLine(event.text)) return Flow::Continue;
    return bans.CheckBan(event.host, event.nick, event.address, true) ? Flow::Halt
                                                                       : Flow::Continue;
  });

  CommandTable& table = context.commands;
  // Before the ban check, so that a banned user can lift an expired ban
  // himself; only with "!".
  table.Add(CommandRow{
      .place = CommandPlace::RefreshBan,
      .aliases = {"refreshban", W("куакуырифт"), W("проверить бан")},
      .noteByHandler = true,
      .prefixes = "!",
      .handler =
          [&bans](CommandContext& command) {
            bans.RefreshBan(command.event.host);
            command.WriteNote(W(") команда проверить истечение бана."));
          },
  });
  table.Add(CommandRow{
      .place = CommandPlace::Ban,
      .aliases = {"ban ", W("ифт ")},
      .k = 4,
      .right = CommandRight::Administrator,
      .note = W(") команда Администратора БАН."),
      .handler =
          [&bans](CommandContext& command) {
            bans.AddBanLine(command.argument, command.event.address);
          },
  });
  table.Add(CommandRow{
      .place = CommandPlace::BanList,
      .aliases = {"banlist", W("ифтдшые"), W("банлист"), ",fykbcn"},
      .note = W(") команда показать банлист."),
      .handler = [&bans](CommandContext& command) { bans.SendBanList(command.event.address); },
  });
}

}  // namespace pelmo
