#include "base/date_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

#include "base/cp1251.h"
#include "base/local_time.h"

namespace pelmo {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day number of 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kUnixEpochDay = 25569;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's
// civil-date algorithm).
std::int64_t DaysFromCivil(int year, int month, int day) {
  std::int64_t y = year - (month <= 2 ? 1 : 0);
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Splits a value into its day number and the milliseconds of the day. The
// fraction is rounded to the millisecond first, so 23:59:59.9999 becomes
// the next midnight rather than a 60th second.
void SplitValue(TDateTime value, std::int64_t& day, std::int64_t& ms) {
  // Values come off the wire too: keep garbage from overflowing the integer
  // arithmetic (the calendar ends at 9999-12-31, day 2958465).
  if (!std::isfinite(value)) value = 0;
  if (std::fabs(value) > 1e8) value = value < 0 ? -1e8 : 1e8;
  double whole = std::trunc(value);
  day = static_cast<std::int64_t>(whole);
  ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    day += 1;
  }
}

TDateTime Combine(std::int64_t day, std::int64_t ms) {
  double time = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  // Before 1899-12-30 the fraction counts away from zero, as Delphi stores it.
  return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

// Russian locale names, Windows-1251. Long month names are genitive, as a
// date is written ("6 декабря 2026 г.").
const std::string& MonthName(int month, bool longForm) {
  static const std::string kLong[12] = {W("января"),   W("февраля"), W("марта"),  W("апреля"),
                                        W("мая"),      W("июня"),    W("июля"),   W("августа"),
                                        W("сентября"), W("октября"), W("ноября"), W("декабря")};
  static const std::string kShort[12] = {W("янв"), W("фев"), W("мар"), W("апр"),
                                         W("май"), W("июн"), W("июл"), W("авг"),
                                         W("сен"), W("окт"), W("ноя"), W("дек")};
  return longForm ? kLong[month - 1] : kShort[month - 1];
}

const std::string& DayName(int dayOfWeek, bool longForm) {
  static const std::string kLong[7] = {W("воскресенье"), W("понедельник"), W("вторник"), W("среда"),
                                       W("четверг"),     W("пятница"),     W("суббота")};
  static const std::string kShort[7] = {W("Вс"), W("Пн"), W("Вт"), W("Ср"),
                                        W("Чт"), W("Пт"), W("Сб")};
  return longForm ? kLong[dayOfWeek - 1] : kShort[dayOfWeek - 1];
}

void AppendNumber(std::string& out, int number, std::size_t digits) {
  std::string text = std::to_string(number);
  if (text.size() < digits) out.append(digits - text.size(), '0');
  out += text;
}

constexpr char kDateSeparator = '.';
constexpr char kTimeSeparator = ':';
constexpr std::string_view kShortDateFormat = "dd/mm/yyyy";
constexpr std::string_view kShortTimeFormat = "h:nn";
// The program sets its long time format to hours and minutes at start-up.
constexpr std::string_view kLongTimeFormat = "hh:nn";
const std::string& LongDateFormat() {
  static const std::string format = W("d mmmm yyyy \"г.\"");
  return format;
}

void AppendFormatted(std::string& out, std::string_view pattern, TDateTime value,
                     const DateTimeParts& p, int depth) {
  char lastToken = ' ';
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char starter = pattern[i++];
    auto count = [&] {
      std::size_t n = 1;
      for (; i < pattern.size() && pattern[i] == starter; ++i) ++n;
      return n;
    };
    char token = starter >= 'a' && starter <= 'z' ? static_cast<char>(starter - 32) : starter;
    if (token >= 'A' && token <= 'Z') {
      // "m" right after an hour field means minutes ("hh:mm").
      if (token == 'M' && lastToken == 'H') token = 'N';
      lastToken = token;
    }
    switch (token) {
      case 'Y': {
        std::size_t n = count();
        if (n <= 2)
          AppendNumber(out, p.year % 100, 2);
        else
          AppendNumber(out, p.year, 4);
        break;
      }
      case 'M': {
        std::size_t n = count();
        if (n <= 2)
          AppendNumber(out, p.month, n);
        else
          out += MonthName(p.month, n > 3);
        break;
      }
      case 'D': {
        std::size_t n = count();
        if (n <= 2)
          AppendNumber(out, p.day, n);
        else if (n <= 4)
          out += DayName(DayOfWeek(value), n == 4);
        else if (depth < 2)
          AppendFormatted(out, n == 5 ? kShortDateFormat : LongDateFormat(), value, p, depth + 1);
        break;
      }
      case 'H':
        AppendNumber(out, p.hour, count() == 1 ? 1 : 2);
        break;
      case 'N':
        AppendNumber(out, p.minute, std::min<std::size_t>(count(), 2));
        break;
      case 'S':
        AppendNumber(out, p.second, std::min<std::size_t>(count(), 2));
        break;
      case 'Z':
        AppendNumber(out, p.millisecond, std::min<std::size_t>(count(), 3));
        break;
      case 'T': {
        std::size_t n = count();
        if (depth < 2)
          AppendFormatted(out, n == 1 ? kShortTimeFormat : kLongTimeFormat, value, p, depth + 1);
        break;
      }
      case 'C':
        count();
        if (depth < 2) {
          AppendFormatted(out, kShortDateFormat, value, p, depth + 1);
          if (p.hour != 0 || p.minute != 0 || p.second != 0) {
            out += ' ';
            AppendFormatted(out, kLongTimeFormat, value, p, depth + 1);
          }
        }
        break;
      case '/':
        out += kDateSeparator;
        break;
      case ':':
        out += kTimeSeparator;
        break;
      case '"':
      case '\'': {
        std::size_t end = pattern.find(starter, i);
        if (end == std::string_view::npos) end = pattern.size();
        out.append(pattern.substr(i, end - i));
        i = end < pattern.size() ? end + 1 : end;
        break;
      }
      default:
        out += starter;
        break;
    }
  }
}

// Reads the short date and time formats the way the locale's parser does:
// blanks may precede every number and separator.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : m_text(text) {}

  bool Number(int& value, int minDigits, int maxDigits) {
    SkipBlanks();
    int digits = 0;
    value = 0;
    while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
      if (++digits > maxDigits) return false;
      value = value * 10 + (m_text[m_pos++] - '0');
    }
    m_lastDigits = digits;
    return digits >= minDigits;
  }
  bool Char(char c) {
    SkipBlanks();
    if (m_pos >= m_text.size() || m_text[m_pos] != c) return false;
    ++m_pos;
    return true;
  }
  bool AtBlank() const { return m_pos < m_text.size() && m_text[m_pos] == ' '; }
  bool AtEnd() {
    SkipBlanks();
    return m_pos == m_text.size();
  }
  int LastDigits() const { return m_lastDigits; }

 private:
  void SkipBlanks() {
    while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
  }
  std::string_view m_text;
  std::size_t m_pos = 0;
  int m_lastDigits = 0;
};

bool ScanDate(Scanner& in, DateTimeParts& p) {
  if (!in.Number(p.day, 1, 2) || !in.Char('.') || !in.Number(p.month, 1, 2) || !in.Char('.') ||
      !in.Number(p.year, 2, 4) || in.LastDigits() == 3) {
    return false;
  }
  if (in.LastDigits() == 2) p.year += p.year < 50 ? 2000 : 1900;
  return IsValidDate(p.year, p.month, p.day);
}

bool ScanTime(Scanner& in, DateTimeParts& p) {
  if (!in.Number(p.hour, 1, 2) || !in.Char(':') || !in.Number(p.minute, 1, 2)) return false;
  p.second = 0;
  if (in.Char(':') && !in.Number(p.second, 1, 2)) return false;
  return p.hour <= 23 && p.minute <= 59 && p.second <= 59;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

TDateTime EncodeDateTime(const DateTimeParts& p) {
  std::int64_t day = DaysFromCivil(p.year, p.month, p.day) + kUnixEpochDay;
  std::int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond;
  return Combine(day, ms);
}

DateTimeParts DecodeDateTime(TDateTime value) {
  std::int64_t day = 0;
  std::int64_t ms = 0;
  SplitValue(value, day, ms);
  DateTimeParts p;
  CivilFromDays(day - kUnixEpochDay, p.year, p.month, p.day);
  p.millisecond = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.hour = static_cast<int>(ms / 3600000);
  return p;
}

int DayOfWeek(TDateTime value) {
  std::int64_t day = 0;
  std::int64_t ms = 0;
  SplitValue(value, day, ms);
  // Day 0 (1899-12-30) was a Saturday.
  return static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
}

TDateTime DateOf(TDateTime value) {
  std::int64_t day = 0;
  std::int64_t ms = 0;
  SplitValue(value, day, ms);
  return static_cast<double>(day);
}

TDateTime FromUnixTime(std::time_t seconds, int milliseconds) {
  std::tm local{};
  if (!ToLocalTime(seconds, local)) {
    // Out of the C library's range: fall back to UTC arithmetic.
    std::int64_t s = static_cast<std::int64_t>(seconds);
    std::int64_t day = (s >= 0 ? s : s - 86399) / 86400;
    return Combine(day + kUnixEpochDay, (s - day * 86400) * 1000 + milliseconds);
  }
  DateTimeParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  // A leap second shows as :60; fold it into :59.
  p.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  p.millisecond = milliseconds;
  return EncodeDateTime(p);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  std::string out;
  AppendFormatted(out, pattern, value, DecodeDateTime(value), 0);
  return out;
}

// Every logged line and every counted command asks for the date and the
// time of the moment, the same ones many times a minute: the last text
// made is kept (per thread) and given again while the day, or the minute,
// is the same.
std::string DateToStr(TDateTime value) {
  std::int64_t day = 0;
  std::int64_t ms = 0;
  SplitValue(value, day, ms);
  // Two: the statistics ask for today's and for this week's Monday in turn.
  struct Made {
    std::int64_t day = std::numeric_limits<std::int64_t>::min();
    std::string text;
  };
  thread_local Made made[2];
  thread_local std::size_t older = 0;
  for (const Made& one : made) {
    if (one.day == day) return one.text;
  }
  made[older] = Made{day, FormatDateTime(kShortDateFormat, value)};
  const std::string& text = made[older].text;
  older = 1 - older;
  return text;
}

std::string TimeToStr(TDateTime value) {
  std::int64_t day = 0;
  std::int64_t ms = 0;
  SplitValue(value, day, ms);
  const std::int64_t minute = ms / 60000;
  thread_local std::int64_t madeFor = -1;
  thread_local std::string made;
  if (minute != madeFor) {
    made = FormatDateTime(kLongTimeFormat, value);
    madeFor = minute;
  }
  return made;
}

std::string DateTimeToStr(TDateTime value) { return DateToStr(value) + ' ' + TimeToStr(value); }

bool TryStrToDate(std::string_view text, TDateTime& value) {
  Scanner in(text);
  DateTimeParts p;
  if (!ScanDate(in, p) || !in.AtEnd()) return false;
  value = EncodeDate(p.year, p.month, p.day);
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value) {
  Scanner in(text);
  DateTimeParts p;
  if (!ScanTime(in, p) || !in.AtEnd()) return false;
  value = EncodeTime(p.hour, p.minute, p.second);
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value) {
  Scanner in(text);
  DateTimeParts p;
  if (!ScanDate(in, p)) return false;
  bool blank = in.AtBlank();
  if (!in.AtEnd()) {
    if (!blank || !ScanTime(in, p) || !in.AtEnd()) return false;
  }
  value = EncodeDateTime(p);
  return true;
}

TDateTime SystemClock::Now() const {
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const std::int64_t ms = sinceEpoch.count();
  const std::int64_t seconds = (ms >= 0 ? ms : ms - 999) / 1000;
  const int milliseconds = static_cast<int>(ms - seconds * 1000);
  // The bot asks the time several times for each line of the chat, nearly
  // always within one second: the local time of the second is worked out
  // (through the C library's zone rules) once, kept per thread, and the
  // milliseconds are added to it as FromUnixTime adds them.
  thread_local std::int64_t keptSecond = std::numeric_limits<std::int64_t>::min();
  thread_local std::int64_t keptDay = 0;
  thread_local std::int64_t keptMs = 0;
  if (seconds != keptSecond) {
    SplitValue(FromUnixTime(static_cast<std::time_t>(seconds), 0), keptDay, keptMs);
    keptSecond = seconds;
  }
  return Combine(keptDay, keptMs + milliseconds);
}

std::uint64_t SystemClock::TickMs() const {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace pelmo
