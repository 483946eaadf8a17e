#include "games/birthdays.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/recording_log.h"
#include "games/install_games.h"

namespace pelmo {
namespace {

BirthdayEntry Person(const std::string& name, int day, int month, int year = 1990,
                     const std::string& group = "g") {
  return BirthdayEntry{W(name), W(group), day, month, year};
}

TEST(Birthdays, WrongSizedFileIsLoggedAndKept) {
  TempDir dir;
  FakeClock clock;
  BotFixture f;
  f.PrepareOffline();
  RecordingLog log;
  Birthdays birthdays(dir.FilePath("BirthDay.dat"), clock, f.parts().replies, log,
                      [] { return false; });

  const std::string odd(1000, 'x');
  dir.WriteFile("BirthDay.dat", odd);
  birthdays.Load();
  EXPECT_EQ(birthdays.Table().Count(), 0);
  EXPECT_EQ(dir.ReadFile("BirthDay.dat.bak"), odd);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_TRUE(log.ContainsPart("BirthDay.dat.bak"));

  // A longer file: its first block, with a word in the log.
  BirthdayTable two;
  two.Add(Person("Ия", 2, 2));
  two.Add(Person("Ян", 3, 3));
  dir.WriteFile("BirthDay.dat", two.Block() + "trailing");
  log.Clear();
  birthdays.Load();
  EXPECT_EQ(birthdays.Table().Count(), 2);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_TRUE(log.ContainsPart(W(" байт вместо 134148, взяты первые 134148 байт")));

  // A whole block and a new table's empty file load without a word.
  BirthdayTable one;
  one.Add(Person("Ия", 2, 2));
  for (const std::string& contents : {std::string(), one.Block()}) {
    log.Clear();
    dir.WriteFile("BirthDay.dat", contents);
    birthdays.Load();
    EXPECT_TRUE(log.Lines().empty());
  }
  EXPECT_EQ(birthdays.Table().Count(), 1);
  birthdays.Table().Add(Person("Ян", 1, 1));
  birthdays.Save();
  EXPECT_EQ(dir.ReadFile("BirthDay.dat").size(), kBirthdayFileSize);
  EXPECT_EQ(dir.ReadFile("BirthDay.dat"), birthdays.Table().Block());
}

TEST(BirthdayMessage, TodayAndTomorrowAcrossTheYearAndFebruary) {
  BirthdayTable table;
  table.Add(Person("Новогодний", 1, 1, 2000, "A"));
  table.Add(Person("Високосный", 29, 2, 1996, "B"));
  table.Add(Person("Мартовский", 1, 3, 1980, "C"));
  table.Add(Person("Декабрьский", 31, 12, 1970, "D"));
  table.Add(Person("Февральский", 28, 2, 1999, "E"));
  const std::string banner = "\r\n" + std::string(64, ' ') + "(^)   День Рождения   (^)\r\n";
  struct Row {
    int year, month, day;
    const char* today;
    const char* tomorrow;
  } rows[] = {
      {2026, 12, 31, "- Декабрьский [D]\r", "- Новогодний [A]\r"},
      {2026, 12, 30, "", "- Декабрьский [D]\r"},
      {2027, 2, 28, "- Февральский [E]\r", "- Мартовский [C]\r"},
      {2028, 2, 28, "- Февральский [E]\r", "- Високосный [B]\r"},
      {2028, 2, 29, "- Високосный [B]\r", "- Мартовский [C]\r"},
      {2027, 2, 27, "", "- Февральский [E]\r"},
  };
  for (const Row& row : rows) {
    std::optional<std::string> message =
        BirthdayMessage(table, EncodeDate(row.year, row.month, row.day) + 0.75);
    ASSERT_TRUE(message) << row.day << "." << row.month;
    EXPECT_EQ(Cp1251ToUtf8(*message), banner + "Сегодня родился:\r" + row.today +
                                          "Завтра родится:\r" + row.tomorrow)
        << row.day << "." << row.month;
  }
  EXPECT_FALSE(BirthdayMessage(table, EncodeDate(2026, 6, 15)));
}

TEST(BirthdayRows, DatesPaddedAndNearBirthdaysSelected) {
  BirthdayTable table;
  table.Add(Person("Ян", 7, 3, 1990, "Группа"));
  table.Add(Person("Ия", 12, 11, 5));
  table.Add(Person("Ёж", 8, 3, 2001));
  const std::vector<BirthdayRow> rows = BirthdayRows(table, EncodeDate(2026, 3, 7));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].date, "07.03.1990");
  EXPECT_EQ(rows[0].group, W("Группа"));
  EXPECT_EQ(rows[1].date, "12.11.5");
  EXPECT_EQ(rows[2].index, 2);
  EXPECT_TRUE(rows[0].selected);
  EXPECT_FALSE(rows[1].selected);
  EXPECT_TRUE(rows[2].selected);
}

TEST(CheckBirthdayInput, RefusalsAndTheStoredEntry) {
  struct Row {
    BirthdayInput input;
    const char* refusal;
  } rows[] = {
      {{"", "g", "1", "2", ""}, "Please input:\r-name\r-year\r"},
      {{"", "", "", "", ""}, "Please input:\r-name\r-day\r-month\r-year\r"},
      {{"Ян", "", "x", "3", "1990"}, "Input correct:\r-day\r"},
      {{"Ян", "", "1", "3,", "19 90"}, "Input correct:\r-month\r-year\r"},
  };
  for (const Row& row : rows) {
    const BirthdayInputCheck check = CheckBirthdayInput(row.input);
    EXPECT_FALSE(check.entry) << row.refusal;
    EXPECT_EQ(check.refusal, row.refusal);
  }
  const BirthdayInputCheck check =
      CheckBirthdayInput({std::string(300, 'n'), "", "7", "3", "1990"});
  ASSERT_TRUE(check.entry);
  EXPECT_EQ(check.entry->Name.size(), 255u);
  EXPECT_EQ(check.entry->Day, 7);
  EXPECT_EQ(check.entry->Month, 3);
  EXPECT_EQ(check.entry->Year, 1990);
  EXPECT_EQ(check.date, "07.03.1990");
  EXPECT_TRUE(check.refusal.empty());
  // Values are not tested against any range.
  EXPECT_TRUE(CheckBirthdayInput({"a", "", "45", "13", "-5"}).entry);
}

class BirthdayBotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    games = InstallGames(f.services());
    BirthdayTable table;
    table.Add(Person("Ян", 7, 12, 1990, "Отдел"));  // tomorrow for the fake clock
    table.Save(f.parts().folder.BotFile("BirthDay.dat"));
    for (const auto& load : f.parts().on.life.loadLists) load();
  }
  BotFixture f;
  std::unique_ptr<Games> games;
  ChatPeer ann{"Ann", "PC1", Loopback(2)};
  const std::string message = W("Сегодня родился:\rЗавтра родится:\r- Ян [Отдел]\r");
};

TEST_F(BirthdayBotTest, JoinerIsToldPrivatelyWhenTheOptionIsOn) {
  f.ReceiveJoin(ann);
  for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
    EXPECT_EQ(packet.text.find(message), std::string::npos);
  }
  f.ClearSent();
  f.parts().settings.BirthDayCB = true;
  f.ReceiveJoin(ChatPeer{"Bob", "PC2", Loopback(3)});
  int notices = 0;
  for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
    if (packet.text.find(message) == std::string::npos) continue;
    ++notices;
    EXPECT_EQ(packet.dstAddr, Loopback(3));
    EXPECT_EQ(packet.channel, "Main");
  }
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(games->birthdays.Rows().size(), 1u);
}

TEST_F(BirthdayBotTest, CheckWithNobodyHandledGoesToEverybodyOnlyWhileRunning) {
  games->CheckBirthdaysAtStart();  // the fixture's bot is not started
  EXPECT_TRUE(f.SentOfType(kPacketChatLine).empty());

  RecordingLog log;
  Birthdays running(f.parts().folder.BotFile("BirthDay.dat"), f.clock, f.parts().replies, log,
                    [] { return true; });
  running.Load();
  running.Save();
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_NE(sent[0].text.find(message), std::string::npos);
}

}  // namespace
}  // namespace pelmo
