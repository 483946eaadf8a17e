#include "services/seen_tracker.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <limits>
#include <stdexcept>
#include <utility>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "base/line_name.h"
#include "base/text_file.h"
#include "core/bot_log.h"
#include "core/command_table.h"
#include "core/error_text.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "transport/net_settings.h"
#include "core/replies.h"

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kFlushDelay{1000};

std::string NickOf(const std::string& line) {
  std::size_t at = line.find(kSeenSeparator);
  return at == std::string::npos ? std::string() : line.substr(0, at);
}

// The time and the date of a record, read with the system's formats.
bool ReadRecordTime(const std::string& record, TDateTime& time, TDateTime& date) {
  const std::size_t separator = record.find(kSeenSeparator);
  if (separator == std::string::npos) return false;
  const std::size_t slash = record.find('/', separator + 1);
  return slash != std::string::npos &&
         TryStrToTime(std::string_view(record).substr(separator + 1, slash - separator - 1),
                      time) &&
         TryStrToDate(std::string_view(record).substr(slash + 1), date);
}

std::string Part(long long count, const char* singular, const char* few, const char* many) {
  if (count == 0) return {};
  return std::to_string(count) + CountWord(count, singular, few, many);
}

struct YearMonthDay {
  int year, month, day;
  auto operator<=>(const YearMonthDay&) const = default;
};

// The calendar difference between two dates, later minus earlier, in the
// years, months and days a person would count.
std::string DatePhrase(YearMonthDay earlier, YearMonthDay later) {
  int years = later.year - earlier.year;
  int months = 0;
  int days = 0;
  if (later.month < earlier.month) {
    months = 12;
    --years;
  }
  months += later.month - earlier.month;
  if (later.day < earlier.day) {
    days = DaysInMonth(earlier.year, earlier.month);
    if (months > 0) {
      --months;
    } else {
      --years;
      months = 11;
    }
  }
  days += later.day - earlier.day;
  return Part(days, "день", "дня", "дней") + Part(months, "месяц", "месяца", "месяцев") +
         Part(years, "год", "года", "лет");
}

}  // namespace

std::string CountWord(long long n, const char* singular, const char* few, const char* many) {
  const char* word = nullptr;
  if (n == 1) {
    word = singular;
  } else if (n >= 2 && n <= 4) {
    word = few;
  } else if (n >= 5 && n <= 20) {
    word = many;
  } else if (n > 20) {
    long long last = n % 10;
    word = last == 1 ? singular : (last >= 2 && last <= 4) ? few : many;
  }
  return word == nullptr ? std::string() : " " + W(word) + " ";
}

std::string SeenPhrase(TDateTime seen, TDateTime now) {
  const DateTimeParts s = DecodeDateTime(seen);
  const DateTimeParts n = DecodeDateTime(now);
  const YearMonthDay seenDay{s.year, s.month, s.day};
  const YearMonthDay today{n.year, n.month, n.day};
  // A record from the future (the clock was set back) reads as now.
  if (seenDay > today) return "0";
  if (seenDay < today) return DatePhrase(seenDay, today);

  long long elapsed = (n.hour * 3600LL + n.minute * 60LL + n.second) -
                      (s.hour * 3600LL + s.minute * 60LL + s.second);
  if (elapsed < 0) elapsed = 0;
  const long long hours = elapsed / 3600;
  const long long minutes = elapsed % 3600 / 60;
  if (hours == 0 && minutes == 0) return "0";
  std::string phrase;
  if (hours > 0) phrase = std::to_string(hours) + CountWord(hours, "час", "часа", "часов");
  // Whole hours read "3 часа ", not "3 часа 0 ".
  if (minutes > 0 || hours == 0) {
    phrase += std::to_string(minutes) + CountWord(minutes, "минуту", "минуты", "минут");
  }
  return phrase;
}

SeenTracker::SeenTracker(std::string seenPath, std::string logPath, const Clock& clock,
                         Replies& replies, EventLoop& loop, std::size_t maxRecords)
    : m_path(std::move(seenPath)),
      m_logPath(std::move(logPath)),
      m_clock(clock),
      m_replies(replies),
      m_loop(loop),
      m_maxRecords(std::max<std::size_t>(maxRecords, 1)) {}

SeenTracker::~SeenTracker() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  try {
    Flush();
  } catch (const std::exception&) {
  }
}

void SeenTracker::Load() {
  if (m_loaded) return;
  // A missing file is an empty one; an unreadable one ends the event and
  // is tried again next time.
  // Anything else in its place (a folder, say) is unreadable.
  // Nicks are kept as their packets' bytes: the file is never converted.
  if (FileExists(m_path) || DirectoryExists(m_path)) {
    std::optional<std::string> contents = ReadWholeFile(m_path);
    if (!contents) throw FileError("не удалось прочитать " + m_path);
    m_lines = SplitLines(*contents);
  }
  m_index.clear();
  m_byQueryName.clear();
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    m_index[NickOf(m_lines[i])] = i;
    IndexLine(i);
  }
  // The age order from the records' times; a line whose time does not
  // read counts as the oldest, equal times keep the file's order.
  std::vector<std::pair<TDateTime, std::size_t>> ages;
  ages.reserve(m_lines.size());
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    TDateTime time = 0;
    TDateTime date = 0;
    const bool read = ReadRecordTime(m_lines[i], time, date);
    ages.emplace_back(read ? date + time : std::numeric_limits<TDateTime>::lowest(), i);
  }
  std::stable_sort(ages.begin(), ages.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  m_byAge.clear();
  m_ageOf.assign(m_lines.size(), m_byAge.end());
  for (const auto& age : ages) m_ageOf[age.second] = m_byAge.insert(m_byAge.end(), age.second);
  m_loaded = true;
}

namespace {

std::string QueryName(const std::string& nick) { return AnsiUpperCase(TrimControls(nick)); }

}  // namespace

void SeenTracker::IndexLine(std::size_t index) {
  const std::string& line = m_lines[index];
  if (line.find(kSeenSeparator) == std::string::npos) return;
  m_byQueryName[QueryName(NickOf(line))].insert(index);
}

void SeenTracker::UnindexLine(std::size_t index) {
  const std::string& line = m_lines[index];
  if (line.find(kSeenSeparator) == std::string::npos) return;
  const auto entry = m_byQueryName.find(QueryName(NickOf(line)));
  if (entry == m_byQueryName.end()) return;
  entry->second.erase(index);
  if (entry->second.empty()) m_byQueryName.erase(entry);
}

void SeenTracker::MarkRecent(std::size_t index) {
  m_byAge.splice(m_byAge.end(), m_byAge, m_ageOf[index]);
}

std::size_t SeenTracker::Size() {
  Load();
  return m_lines.size();
}

void SeenTracker::RecordSeen(const std::string& seenNick) {
  const std::string nick = LineName(seenNick);
  // The separator inside a nick would cut it short.
  if (nick.find(kSeenSeparator) != std::string::npos) return;
  try {
    Load();
  } catch (const FileError&) {
    // An unreadable list is left alone (rewriting it would lose it), and
    // the chat line goes on to its reply; the query reports the error.
    return;
  }
  const TDateTime now = m_clock.Now();
  std::string line = nick + kSeenSeparator + TimeToStr(now) + "/" + DateToStr(now);
  auto found = m_index.find(nick);
  if (found != m_index.end()) {
    MarkRecent(found->second);
    if (m_lines[found->second] == line) return;  // the same minute: nothing changed
    UnindexLine(found->second);
    m_lines[found->second] = std::move(line);
    IndexLine(found->second);
  } else if (m_lines.size() < m_maxRecords) {
    m_index.emplace(nick, m_lines.size());
    m_lines.push_back(std::move(line));
    m_ageOf.push_back(m_byAge.insert(m_byAge.end(), m_lines.size() - 1));
    IndexLine(m_lines.size() - 1);
  } else {
    // The line of the nick seen longest ago is taken over (an older
    // duplicate line of a nick is no nick's line).
    const std::size_t oldest = m_byAge.front();
    const auto owner = m_index.find(NickOf(m_lines[oldest]));
    if (owner != m_index.end() && owner->second == oldest) m_index.erase(owner);
    m_index.emplace(nick, oldest);
    UnindexLine(oldest);
    m_lines[oldest] = std::move(line);
    IndexLine(oldest);
    MarkRecent(oldest);
  }
  m_dirty = true;
  ScheduleFlush();
}

void SeenTracker::ScheduleFlush() {
  if (m_timer != 0) return;
  m_timer = m_loop.StartTimer(kFlushDelay, false, [this] {
    m_timer = 0;
    try {
      Flush();
    } catch (const std::exception&) {
      // Still pending: the next record arms the timer again.
    }
  });
}

void SeenTracker::Flush() {
  if (!m_dirty) return;
  RewriteLines(m_path, m_lines);
  m_dirty = false;
}

void SeenTracker::Reload() {
  try {
    Flush();
  } catch (const std::exception&) {
    return;
  }
  m_loaded = false;
  m_lines.clear();
  m_index.clear();
  m_byAge.clear();
  m_ageOf.clear();
}

void SeenTracker::SeenQuery(const std::string& name, const std::string& asker) {
  Load();
  const TDateTime now = m_clock.Now();
  // Sought as the records hold names (a line end inside is a blank).
  const std::string sought = AnsiUpperCase(LineName(TrimControls(name)));
  // The last line in file order whose nick reads as the name.
  const auto matches = m_byQueryName.find(sought);
  const std::string* record =
      matches == m_byQueryName.end() ? nullptr : &m_lines[*matches->second.rbegin()];

  std::string answer;
  if (record == nullptr) {
    answer = W("Пользователь ") + name + W(" не появлялся здесь");
  } else {
    TDateTime time = 0;
    TDateTime date = 0;
    if (!ReadRecordTime(*record, time, date)) {
      throw std::invalid_argument("seen record does not read: " + *record);
    }
    const std::string phrase = SeenPhrase(date + time, now);
    if (phrase == "0") {
      answer = W("Я только что видел тут пользователя под ником ") + name;
    } else {
      answer = W("Пользователь ") + name + W(" был тут ") + phrase + W("назад (") +
               DateToStr(date) + W(" в ") + TimeToStr(time) + ")";
    }
  }
  m_replies.SayTo(m_replies.Settings().SendAddress, answer, kKindLine);
  if (FileSize(m_logPath) >= kMaxSeenLog) {
    if (m_log != nullptr && !m_logFullTold) {
      m_log->LogLine(ToLogText(m_logPath) + ": " + std::to_string(kMaxSeenLog >> 20) +
                         " MB, full; further queries are not logged.",
                     255);
    }
    m_logFullTold = true;
    return;
  }
  AppendLine(m_logPath, FormatDateTime("[mm:dd:yyyy/hh:nn:ss]", now) + " " + LineName(asker) +
                            W(" искал(а) пользователя ") + LineName(TrimControls(name)));
}

void InstallSeenTracker(ServiceContext& context, SeenTracker& seen) {
  seen.SetLog(&context.log);
  Subscriptions& on = context.on;
  on.seen.Add(SeenStep::RecordSeen, [&seen](const ChatEvent& event) { seen.RecordSeen(event.nick); });
  const auto flush = [&seen] { seen.Flush(); };
  // Edits made to the file while the bot was stopped are read at start.
  on.life.started.push_back([&seen] { seen.Reload(); });
  on.life.stopped.push_back(flush);
  on.life.closing.push_back(flush);

  Replies& replies = context.replies;
  context.commands.Add(CommandRow{
      .place = CommandPlace::Seen,
      .aliases = {"seen ", W("ыуут ")},
      .k = 5,
      .note = W(") команда Seen."),
      .handler = Quietly([&replies, &seen](CommandContext& command) {
        const std::string& nick = command.event.nick;
        if (command.argument == nick) {
          replies.SayTo(replies.Settings().SendAddress,
                        nick + W(", потерялся в этом жестоком мире?"), kKindLine);
        } else {
          seen.SeenQuery(command.argument, nick);
        }
      }),
  });
}

}  // namespace pelmo
