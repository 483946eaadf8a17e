// The date-time value of the chat's wire stamp and of every date the bot
// writes: days since 30 December 1899 as a double, local time, the time of
// day as the fraction. Formats follow the Russian locale: short date
// dd.mm.yyyy, date separator ".", time separator ":", long time "hh:nn".
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace pelmo {

using TDateTime = double;

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Builds the value; the parts must form a valid date (month 1-12, day within
// the month, hour 0-23, minute and second 0-59, millisecond 0-999).
TDateTime EncodeDateTime(const DateTimeParts& parts);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
// Splits a value (negative values are dates before 1899-12-30, as Delphi
// reads them: the integer part is the day, the fraction's magnitude the time).
DateTimeParts DecodeDateTime(TDateTime value);
bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// The local time of a Unix time (seconds and milliseconds).
TDateTime FromUnixTime(std::time_t seconds, int milliseconds = 0);

// Delphi-style FormatDateTime: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn
// s ss z zzz t tt c ddddd dddddd, "m"/"mm" right after an hour means
// minutes, "/" writes the date separator "." and ":" the time separator ":",
// text in "..." or '...' is literal, any other character is copied (no
// AM/PM). Russian names: "mmmm" is
// the genitive month ("декабря") as dates are written, "mmm" the short
// month, "dddd"/"ddd" the weekday. Windows-1251 result; the pattern may
// hold Windows-1251 bytes ("d mmmm yyyy г.").
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Short date "dd.mm.yyyy", long time "hh:nn" (set at start-up), and both.
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);

// Parsing as the short date and time formats read: date "d.m.yyyy" (one or
// two digit day and month; a two-digit year means 2000-2099 below 50 and
// 1950-1999 otherwise), time "h:n" or "h:n:s". Surrounding blanks are
// allowed. Return false on any other text or an impossible date or time.
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value);
// A date, one or more blanks, a time ("31.12.2026 23:59:00"); a date alone.
bool TryStrToDateTime(std::string_view text, TDateTime& value);

// Now: the clock reaches services through this interface so that tests can
// fix it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime Now() const = 0;
  // A monotonic millisecond counter (the tick counter).
  virtual std::uint64_t TickMs() const = 0;
};

class SystemClock final : public Clock {
 public:
  TDateTime Now() const override;
  std::uint64_t TickMs() const override;
};

// The date part (midnight) of a value.
TDateTime DateOf(TDateTime value);

}  // namespace pelmo
