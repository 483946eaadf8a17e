#include "services/flood_stats.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

#include "base/cp1251.h"
#include "base/line_name.h"
#include "base/str_to_int.h"
#include "base/text_file.h"
#include "core/bot_log.h"
#include "core/command_table.h"
#include "core/error_text.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "core/reply_bound.h"
#include "services/stat_store.h"
#include "services/top_index.h"

namespace pelmo {

namespace {

const std::string kFrame = "\r\n-----------------------------------------\r\n";

// More rows than one answer can hold (kMaxReplyBytes, a row taking at
// least 10 bytes) are never put in order.
constexpr std::size_t kMostTableRows = 2000;

std::size_t StatTabs(std::size_t length) {
  if (length >= 1 && length <= 2) return 5;
  if (length >= 3 && length <= 6) return 4;
  if (length >= 7 && length <= 17) return 3;
  if (length >= 18 && length <= 26) return 2;
  if (length >= 27 && length <= 32) return 1;
  return 0;
}

std::size_t TableTabs(std::size_t length) {
  if (length >= 1 && length <= 4) return 5;
  if (length >= 5 && length <= 9) return 4;
  if (length >= 10 && length <= 17) return 3;
  if (length >= 18 && length <= 26) return 2;
  if (length >= 27 && length <= 32) return 1;
  return 0;
}

TDateTime MondayOf(TDateTime now) {
  // DayOfWeek: 1 Sunday .. 7 Saturday; Sunday ends its week.
  return DateOf(now) - static_cast<double>((DayOfWeek(now) + 5) % 7);
}

bool StartsWithFolded(const std::string& text, const std::string& lowerPrefix) {
  return text.size() >= lowerPrefix.size() &&
         AnsiLowerCase(text.substr(0, lowerPrefix.size())) == lowerPrefix;
}

long long ReadCount(const std::string& text) {
  try {
    std::size_t used = 0;
    long long value = std::stoll(text, &used);
    return used == text.size() ? value : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

// The Russian words are converted once: every command line of the chat
// is put to them.
bool IsStatWord(const std::string& word) {
  static const std::string kRussian = W("ыефе");
  return word == "stat" || word == kRussian;
}

// 0 "top", 1 "htop", 2 "ttop"; -1 for any other word.
int TableMode(const std::string& word) {
  static const std::string kTop = W("ещз"), kHtop = W("рещз"), kTtop = W("еещз");
  if (word == "top" || word == kTop) return 0;
  if (word == "htop" || word == kHtop) return 1;
  if (word == "ttop" || word == kTtop) return 2;
  return -1;
}

}  // namespace

bool IsStatisticsCommand(const std::string& text) {
  const std::string word = SplitCommandWord(text).word;
  return IsStatWord(word) || TableMode(word) >= 0;
}

std::string DayKey(TDateTime now) { return "Day-" + DateToStr(now); }
std::string WeekKey(TDateTime now) { return "Week-" + DateToStr(MondayOf(now)); }

FloodStats::FloodStats(StatStore& store, Replies& replies, const Clock& clock)
    : m_store(store), m_replies(replies), m_clock(clock) {}

void FloodStats::Count(const std::string& host, const std::string& nick, const std::string& text) {
  // Names come off the network; a host the file cannot hold as itself
  // would count under another name or break the file, so it counts nothing.
  if (!StatStore::SafeSection(host)) return;
  const auto length = static_cast<std::int64_t>(text.size());
  const TDateTime now = m_clock.Now();
  m_store.AddInteger(host, DayKey(now), length);
  m_store.AddInteger(host, WeekKey(now), length);
  // A nick that cannot be a key ("a=b", blanks at an end) loses only its
  // own line: the host is counted all the same.
  const std::string userKey = "User-" + LineName(nick);
  if (StatStore::SafeKey(userKey)) m_store.AddInteger(host, userKey, length);
  m_store.AddInteger(host, "Total", length);
}

bool FloodStats::Command(const std::string& text, const std::string& senderHost,
                         std::uint32_t address) {
  const CommandWords words = SplitCommandWord(text);
  std::string report;
  if (IsStatWord(words.word)) {
    report = StatReport(AnsiUpperCase(words.rest.empty() ? senderHost : words.rest));
  } else {
    const int mode = TableMode(words.word);
    if (mode < 0) return false;
    long long rows = 10;
    try {
      if (!words.rest.empty()) rows = StrToInt(words.rest);
    } catch (const std::invalid_argument&) {
      rows = 10;
    }
    report = TableReport(mode, rows);
  }
  if (!report.empty()) m_replies.SayTo(address, report, kKindListing);
  return true;
}

std::string FloodStats::StatReport(const std::string& section) {
  if (!m_store.SectionExists(section)) return {};
  const TDateTime now = m_clock.Now();
  const std::string monday = DateToStr(MondayOf(now));
  const std::string unknown = W("Неизвестно");
  std::vector<std::string> lines;
  lines.push_back(kFrame);
  lines.push_back(W("\t\tСтатистика для ") + section + "\r\n");
  lines.push_back(W("* Счетовод флуда:"));
  lines.push_back(W("  - всего за сутки:\t\t\t") + m_store.ReadString(section, DayKey(now), unknown));
  lines.push_back(W("  - всего за неделю:\t\t\t") +
                  m_store.ReadString(section, WeekKey(now), unknown));
  const auto values = m_store.SectionValues(section);
  bool heading = false;
  for (const auto& [key, value] : values) {
    if (!StartsWithFolded(key, "week-")) continue;
    TDateTime start = 0;
    if (!TryStrToDate(key.substr(5), start) || DateToStr(start) == monday) continue;
    if (!heading) lines.push_back(W("  * Недельные статы:"));
    heading = true;
    lines.push_back(W("    - с ") + DateToStr(start) + W(" по ") + DateToStr(start + 6) + "\t\t" +
                    std::to_string(m_store.ReadInteger(section, key, 0)));
  }
  for (const auto& [key, value] : values) {
    if (!StartsWithFolded(key, "user-")) continue;
    const std::string nick = key.substr(5);
    lines.push_back(W("  - для ") + nick + std::string(StatTabs(nick.size()), '\t') + value);
  }
  lines.push_back(W("  - и всего: \t\t\t\t") + m_store.ReadString(section, "Total", unknown));
  lines.push_back("\r\n-----------------------------------------");
  return JoinLines(lines);
}

std::string FloodStats::TableReport(int mode, long long rows) {
  // Only the rows an answer can hold are taken from the kept order.
  const std::size_t wanted = static_cast<std::size_t>(
      std::clamp<long long>(rows, 0, static_cast<long long>(kMostTableRows)));
  const std::vector<TableEntry> entries = m_top.Top(mode, wanted);
  const auto ordered = entries.end();

  std::vector<std::string> lines;
  lines.push_back(kFrame);
  lines.push_back(mode == 2 ? W("\tСтатистика лодырей\r\n") : W("\tСтатистика болтунов\r\n"));
  // The frame closes the table; the answer stays within kMaxReplyBytes.
  std::size_t size = lines[0].size() + lines[1].size() + 4 + kFrame.size() + 2;
  long long rank = 0;
  for (auto it = entries.begin(); it != ordered; ++it) {
    std::string row = std::to_string(rank + 1) + ". " + it->name +
                      std::string(TableTabs(it->name.size()), '\t') +
                      std::to_string(ReadCount(it->value));
    if (size + row.size() + 2 + MoreNotShown().size() > kMaxReplyBytes) {
      lines.push_back(MoreNotShown().substr(2));
      break;
    }
    size += row.size() + 2;
    ++rank;
    lines.push_back(std::move(row));
  }
  lines.push_back(kFrame);
  return JoinLines(lines);
}

void InstallFloodStats(ServiceContext& context, FloodStats& stats, StatStore& store) {
  // A statistics failure must not keep the command itself from running.
  context.commands.Add(CommandRow{
      .place = CommandPlace::Statistics,
      .accepts = IsStatisticsCommand,
      .handler = [&stats, &store, &replies = context.replies](CommandContext& command) {
        try {
          stats.Command(command.command, command.event.host, command.event.address);
        } catch (const std::exception&) {
          if (!store.LoadError().empty()) {
            replies.SayTo(command.event.address, StatUnavailable(), kKindLine);
          }
        }
      },
  });
  // Every command text of an admitted sender is counted.
  context.commands.Add(CommandRow{
      .place = CommandPlace::FloodCounter,
      .accepts = AnyCommandText,
      .handler = [&stats](CommandContext& command) {
        try {
          stats.Count(command.event.host, command.event.nick, command.command);
        } catch (const std::exception&) {
        }
      },
  });
  // Edits made to the file while the bot was stopped are read at start (and
  // at a reload, after what memory holds is written).
  Lifecycle& life = context.on.life;
  // A file that cannot be loaded is named at once, not at the first
  // command that finds it so.
  const auto reload = [&store, &log = context.log] {
    store.Reload();
    if (!store.LoadError().empty()) {
      log.LogLine(ToLogText(store.LoadError()) +
                      W("; статистика и записки недоступны, пока файл не прочитается."),
                  255);
    }
  };
  life.started.push_back(reload);
  life.reloaded.push_back(reload);
  life.stopped.push_back([&store] { store.FlushQuietly(); });
  life.closing.push_back([&store] { store.FlushQuietly(); });
}

}  // namespace pelmo
