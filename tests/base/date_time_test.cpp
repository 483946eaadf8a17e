#include "base/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/cp1251.h"

namespace pelmo {
namespace {

// Day numbers checked with an independent calendar (days since 1899-12-30).
TEST(DateTime, EncodesKnownDates) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);  // 1900 is not a leap year
  EXPECT_EQ(EncodeDate(1970, 1, 1), 25569);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
  EXPECT_EQ(EncodeDate(2026, 12, 6), 46362);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(1800, 1, 1), -36522);
  EXPECT_DOUBLE_EQ(EncodeTime(18, 5, 0), (18 * 60 + 5) / 1440.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime({2026, 12, 6, 6, 0, 0, 0}), 46362.25);
  // Before day 0 the time counts away from zero.
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
}

void ExpectParts(const DateTimeParts& p, int y, int mo, int d, int h, int mi, int s, int ms) {
  EXPECT_EQ(p.year, y);
  EXPECT_EQ(p.month, mo);
  EXPECT_EQ(p.day, d);
  EXPECT_EQ(p.hour, h);
  EXPECT_EQ(p.minute, mi);
  EXPECT_EQ(p.second, s);
  EXPECT_EQ(p.millisecond, ms);
}

TEST(DateTime, DecodesAndRoundsToTheMillisecond) {
  ExpectParts(DecodeDateTime(46362 + EncodeTime(18, 5, 7, 123)), 2026, 12, 6, 18, 5, 7, 123);
  ExpectParts(DecodeDateTime(-1.25), 1899, 12, 29, 6, 0, 0, 0);
  ExpectParts(DecodeDateTime(61), 1900, 3, 1, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(46362 + EncodeTime(23, 59, 59, 999)), 2026, 12, 6, 23, 59, 59, 999);
  // A hair short of midnight is midnight, not second 60 or millisecond 1000.
  ExpectParts(DecodeDateTime(46362 + (86400000 - 0.3) / 86400000.0), 2026, 12, 7, 0, 0, 0, 0);
  ExpectParts(DecodeDateTime(46362 + 0.7534722222), 2026, 12, 6, 18, 5, 0, 0);
  EXPECT_EQ(DateOf(46362 + (86400000 - 0.3) / 86400000.0), 46363);
  EXPECT_EQ(DateOf(46362.75), 46362);
}

TEST(DateTime, EncodeAndDecodeAgreeOverTheCalendar) {
  for (int day = -693593; day <= 2958465; day += 997) {
    DateTimeParts p = DecodeDateTime(day + EncodeTime(13, 47, 29, 511) * (day < 0 ? -1 : 1));
    EXPECT_TRUE(IsValidDate(p.year, p.month, p.day)) << day;
    EXPECT_EQ(EncodeDate(p.year, p.month, p.day), day);
    ExpectParts(p, p.year, p.month, p.day, 13, 47, 29, 511);
  }
  EXPECT_EQ(DecodeDateTime(-693593).year, 1);
  EXPECT_EQ(DecodeDateTime(2958465).year, 9999);
}

TEST(DateTime, ValidatesDates) {
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2026, 4), 30);
  EXPECT_EQ(DaysInMonth(2026, 12), 31);
  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(2026, 2, 29));
  EXPECT_FALSE(IsValidDate(2026, 13, 1));
  EXPECT_FALSE(IsValidDate(2026, 0, 1));
  EXPECT_FALSE(IsValidDate(2026, 4, 31));
  EXPECT_FALSE(IsValidDate(2026, 1, 0));
  EXPECT_FALSE(IsValidDate(0, 1, 1));
  EXPECT_FALSE(IsValidDate(10000, 1, 1));
}

TEST(DateTime, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7) + 0.9), 2);
  EXPECT_EQ(DayOfWeek(0), 7);  // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(-1.5), 6);
}

TEST(DateTime, SystemClockFollowsTheWallClock) {
  SystemClock clock;
  TDateTime expected = FromUnixTime(std::time(nullptr));
  EXPECT_NEAR(clock.Now(), expected, 5.0 / 86400);
  // Through many seconds' starts (the local time of a second is kept):
  // never backwards, each value a whole number of milliseconds.
  TDateTime last = clock.Now();
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1100);
       std::chrono::steady_clock::now() < end;) {
    const TDateTime now = clock.Now();
    ASSERT_GE(now, last);
    const DateTimeParts parts = DecodeDateTime(now);
    ASSERT_EQ(EncodeDateTime(parts), now);
    last = now;
  }
  EXPECT_NEAR(last, FromUnixTime(std::time(nullptr)), 5.0 / 86400);
  std::uint64_t t1 = clock.TickMs();
  std::uint64_t t2 = clock.TickMs();
  EXPECT_LE(t1, t2);
}

const TDateTime kSample = EncodeDateTime({2026, 12, 6, 18, 5, 7, 89});

TEST(FormatDateTime, WritesThePatternsTheBotUses) {
  EXPECT_EQ(FormatDateTime("hh:nn", kSample), "18:05");
  EXPECT_EQ(FormatDateTime("h:n:s", kSample), "18:5:7");
  EXPECT_EQ(FormatDateTime(W("d mmmm yyyy г."), kSample), W("6 декабря 2026 г."));
  EXPECT_EQ(FormatDateTime("_ddmmyyyy_hhnnss", kSample), "_06122026_180507");
  // ":" and "/" are the locale's time and date separators.
  EXPECT_EQ(FormatDateTime("[mm:dd:yyyy/hh:nn:ss]", kSample), "[12:06:2026.18:05:07]");
  EXPECT_EQ(DateToStr(kSample), "06.12.2026");
  EXPECT_EQ(TimeToStr(kSample), "18:05");
  EXPECT_EQ(DateTimeToStr(kSample), "06.12.2026 18:05");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2027, 1, 2)), "02.01.2027 00:00");
}

TEST(FormatDateTime, ReadsEveryField) {
  EXPECT_EQ(FormatDateTime("hh:mm", kSample), "18:05");  // minutes after an hour
  EXPECT_EQ(FormatDateTime("h mm", kSample), "18 05");
  EXPECT_EQ(FormatDateTime("ss mm", kSample), "07 12");
  EXPECT_EQ(FormatDateTime("d.m.yy", kSample), "6.12.26");
  EXPECT_EQ(FormatDateTime("z zzz", kSample), "89 089");
  EXPECT_EQ(FormatDateTime("ddddd", kSample), "06.12.2026");
  EXPECT_EQ(FormatDateTime("dddddd", kSample), W("6 декабря 2026 г."));
  EXPECT_EQ(FormatDateTime("c", kSample), "06.12.2026 18:05");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 12, 6)), "06.12.2026");
  EXPECT_EQ(FormatDateTime("t|tt", EncodeDateTime({2026, 1, 2, 9, 3, 0, 0})), "9:03|09:03");
  EXPECT_EQ(FormatDateTime("HH:NN DD.MM.YYYY", kSample), "18:05 06.12.2026");
  EXPECT_EQ(FormatDateTime("'hh' \"mm\" hh x", kSample), "hh mm 18 x");
  EXPECT_EQ(FormatDateTime("'open", kSample), "open");
}

TEST(FormatDateTime, NamesMonthsAndWeekdaysInRussian) {
  const char* longNames[] = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                             "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
  const char* shortNames[] = {"янв", "фев", "мар", "апр", "май", "июн",
                              "июл", "авг", "сен", "окт", "ноя", "дек"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(FormatDateTime("mmmm|mmm", EncodeDate(2026, m, 15)),
              W(longNames[m - 1]) + "|" + W(shortNames[m - 1]));
  }
  const char* days[] = {"воскресенье|Вс", "понедельник|Пн", "вторник|Вт", "среда|Ср",
                        "четверг|Чт",     "пятница|Пт",     "суббота|Сб"};
  for (int i = 0; i < 7; ++i) {  // 6 December 2026 is a Sunday
    EXPECT_EQ(FormatDateTime("dddd|ddd", EncodeDate(2026, 12, 6 + i)), W(days[i]));
  }
}

TEST(ParseDateTime, ReadsShortDates) {
  TDateTime v = 0;
  ASSERT_TRUE(TryStrToDate("6.12.2026", v));
  EXPECT_EQ(v, 46362);
  ASSERT_TRUE(TryStrToDate(" 06.12.2026 ", v));
  EXPECT_EQ(v, 46362);
  ASSERT_TRUE(TryStrToDate("29.02.2024", v));
  EXPECT_EQ(v, EncodeDate(2024, 2, 29));
  ASSERT_TRUE(TryStrToDate("6.12.26", v));
  EXPECT_EQ(v, 46362);
  ASSERT_TRUE(TryStrToDate("1.1.49", v));
  EXPECT_EQ(v, EncodeDate(2049, 1, 1));
  ASSERT_TRUE(TryStrToDate("1.1.50", v));
  EXPECT_EQ(v, EncodeDate(1950, 1, 1));
  for (const char* bad :
       {"", " ", "abc", "32.12.2026", "29.02.2026", "6.13.2026", "0.12.2026", "6.0.2026",
        "6.12.2026x", "6.12.2026 18:05", "6/12/2026", "6.12", "6.12.", "6.12.202", "6.12.20266",
        "006.12.2026", "-6.12.2026", "6..2026", "6.12.0000"}) {
    EXPECT_FALSE(TryStrToDate(bad, v)) << '"' << bad << '"';
  }
}

TEST(ParseDateTime, ReadsTimes) {
  TDateTime v = 0;
  ASSERT_TRUE(TryStrToTime("18:05", v));
  EXPECT_EQ(v, EncodeTime(18, 5, 0));
  ASSERT_TRUE(TryStrToTime("9:5:7", v));
  EXPECT_EQ(v, EncodeTime(9, 5, 7));
  ASSERT_TRUE(TryStrToTime(" 23:59:59 ", v));
  EXPECT_EQ(v, EncodeTime(23, 59, 59));
  for (const char* bad : {"", "24:00", "12:60", "12:00:60", "12", "12:", "12:30:", "  :  :  ",
                          "12:30:00:00", "12.30", "123:00", "12:30x", "-1:00"}) {
    EXPECT_FALSE(TryStrToTime(bad, v)) << '"' << bad << '"';
  }
}

TEST(ParseDateTime, ReadsDateAndTimeTogether) {
  TDateTime v = 0;
  ASSERT_TRUE(TryStrToDateTime("31.12.2026 23:59:00", v));
  EXPECT_EQ(v, EncodeDateTime({2026, 12, 31, 23, 59, 0, 0}));
  ASSERT_TRUE(TryStrToDateTime("31.12.2026   7:05", v));
  EXPECT_EQ(v, EncodeDateTime({2026, 12, 31, 7, 5, 0, 0}));
  ASSERT_TRUE(TryStrToDateTime("31.12.2026 ", v));
  EXPECT_EQ(v, EncodeDate(2026, 12, 31));
  for (const char* bad :
       {"31.12.2026 23:59:60", "31.12.2026T23:59", "31.12.2026 junk",
        "31.12.2026 12:30:  ", "31.12.2026   :  :  ", "23:59 31.12.2026", "31.12.202623:59"}) {
    EXPECT_FALSE(TryStrToDateTime(bad, v)) << '"' << bad << '"';
  }
  // What the bot writes it reads back.
  for (TDateTime t : {kSample, EncodeDateTime({1999, 1, 1, 0, 0, 1, 0}),
                      EncodeDateTime({2048, 2, 29, 23, 59, 59, 0})}) {
    ASSERT_TRUE(TryStrToDateTime(FormatDateTime("dd.mm.yyyy hh:nn:ss", t), v));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", v), FormatDateTime("dd.mm.yyyy hh:nn:ss", t));
  }
}


// The texts of the moment are kept between calls: asked for in turn for
// several days and minutes (as the log and the weekly counts ask), each
// answer is still the one for its own value.
TEST(DateTime, DateAndTimeTextsFollowTheValueAskedFor) {
  const TDateTime monday = EncodeDate(2026, 12, 7);
  const std::vector<TDateTime> moments = {
      monday + EncodeTime(9, 5, 0),      monday + 2 + EncodeTime(9, 5, 59),
      monday + EncodeTime(9, 6, 0),      monday + 3 + EncodeTime(23, 59, 59, 999),
      monday + 2 + EncodeTime(9, 5, 1),  monday + EncodeTime(9, 5, 0)};
  for (int round = 0; round < 2; ++round) {
    for (TDateTime moment : moments) {
      EXPECT_EQ(DateToStr(moment), FormatDateTime("dd/mm/yyyy", moment));
      EXPECT_EQ(TimeToStr(moment), FormatDateTime("hh:nn", moment));
    }
  }
  EXPECT_EQ(DateToStr(monday + 3 + EncodeTime(23, 59, 59, 999)), "10.12.2026");
  EXPECT_EQ(TimeToStr(monday + 2 + EncodeTime(9, 5, 59)), "09:05");
}

}  // namespace
}  // namespace pelmo
