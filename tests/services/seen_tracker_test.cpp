#include "services/seen_tracker.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return EncodeDateTime(DateTimeParts{year, month, day, hour, minute, second, 0});
}

TEST(SeenPhrase, WordsAcrossDaysMonthsAndYears) {
  const struct {
    TDateTime seen, now;
    const char* phrase;  // UTF-8
  } cases[] = {
      {At(2026, 12, 6, 18, 5), At(2026, 12, 6, 18, 5, 59), "0"},
      {At(2026, 12, 6, 18, 4), At(2026, 12, 6, 18, 5, 7), "1 минуту "},
      {At(2026, 12, 6, 18, 3), At(2026, 12, 6, 18, 5, 7), "2 минуты "},
      {At(2026, 12, 6, 18, 0), At(2026, 12, 6, 18, 5, 7), "5 минут "},
      {At(2026, 12, 6, 17, 54), At(2026, 12, 6, 18, 5, 7), "11 минут "},
      {At(2026, 12, 6, 17, 44), At(2026, 12, 6, 18, 5, 7), "21 минуту "},
      {At(2026, 12, 6, 17, 43), At(2026, 12, 6, 18, 5, 7), "22 минуты "},
      {At(2026, 12, 6, 16, 0), At(2026, 12, 6, 18, 5, 7), "2 часа 5 минут "},
      {At(2026, 12, 6, 12, 43), At(2026, 12, 6, 18, 5, 7), "5 часов 22 минуты "},
      {At(2026, 12, 6, 1, 0), At(2026, 12, 6, 22, 1), "21 час 1 минуту "},
      // Whole hours are no "just seen".
      {At(2026, 12, 6, 15, 5), At(2026, 12, 6, 18, 5, 7), "3 часа "},
      {At(2026, 12, 6, 7, 0), At(2026, 12, 6, 18, 0), "11 часов "},
      {At(2026, 12, 5, 23, 59), At(2026, 12, 6, 0, 1), "1 день "},
      {At(2026, 12, 4, 10, 0), At(2026, 12, 6, 9, 0), "2 дня "},
      {At(2026, 12, 1, 10, 0), At(2026, 12, 6, 9, 0), "5 дней "},
      {At(2026, 11, 25, 10, 0), At(2026, 12, 6, 9, 0), "11 дней "},
      {At(2026, 11, 15, 10, 0), At(2026, 12, 6, 9, 0), "21 день "},
      {At(2026, 11, 14, 10, 0), At(2026, 12, 6, 9, 0), "22 дня "},
      {At(2027, 1, 31, 10, 0), At(2027, 3, 1, 9, 0), "1 день 1 месяц "},
      {At(2028, 1, 29, 10, 0), At(2028, 3, 1, 9, 0), "3 дня 1 месяц "},  // leap February
      {At(2026, 9, 6, 10, 0), At(2026, 12, 6, 9, 0), "3 месяца "},
      {At(2026, 7, 6, 10, 0), At(2026, 12, 6, 9, 0), "5 месяцев "},
      {At(2025, 12, 31, 23, 0), At(2026, 1, 1, 0, 30), "1 день "},
      {At(2025, 12, 6, 10, 0), At(2026, 12, 6, 9, 0), "1 год "},
      {At(2024, 12, 6, 10, 0), At(2026, 12, 6, 9, 0), "2 года "},
      {At(2001, 12, 6, 10, 0), At(2026, 12, 6, 9, 0), "25 лет "},
      {At(2026, 1, 15, 10, 0), At(2027, 1, 10, 9, 0), "26 дней 11 месяцев "},
      {At(2004, 11, 5, 10, 0), At(2026, 12, 6, 9, 0), "1 день 1 месяц 22 года "},
      // Later than now (the clock went back): now.
      {At(2026, 12, 7, 10, 0), At(2026, 12, 6, 9, 0), "0"},
      {At(2026, 12, 6, 19, 0), At(2026, 12, 6, 18, 5, 7), "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1251ToUtf8(SeenPhrase(c.seen, c.now)), c.phrase) << c.phrase;
  }
}

class SeenTrackerTest : public ::testing::Test {
 protected:
  void SetUp() override { f.PrepareOffline(); }

  std::string Seen() { return f.dir.ReadFile("botfile/seen.txt"); }
  std::string Log() { return f.dir.ReadFile("botfile/seen_log.log"); }
  // The one thing said, to everybody.
  std::string Said() {
    std::vector<SentPacket> sent = f.Sent();
    EXPECT_EQ(sent.size(), 1u);
    if (sent.size() != 1) return {};
    EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
    f.ClearSent();
    return sent[0].text;
  }

  BotFixture f;
  SeenTracker seen{f.dir.FilePath("botfile/seen.txt"), f.dir.FilePath("botfile/seen_log.log"),
                   f.clock, f.parts().replies, f.loop};
};

TEST_F(SeenTrackerTest, AnswersAndLogsEveryQuery) {
  seen.RecordSeen("Vasya");
  f.clock.AdvanceMinutes(125);  // 20:10:07
  seen.SeenQuery("vasya", "Petya");
  EXPECT_EQ(Said(), W("Пользователь vasya был тут 2 часа 5 минут назад (06.12.2026 в 18:05)"));

  seen.SeenQuery(" Kolya\t", "Petya");
  EXPECT_EQ(Said(), W("Пользователь  Kolya\t не появлялся здесь"));

  seen.RecordSeen("Kolya");
  seen.SeenQuery("KOLYA", "Petya");
  EXPECT_EQ(Said(), W("Я только что видел тут пользователя под ником KOLYA"));

  EXPECT_EQ(Log(), W("[12:06:2026.20:10:07] Petya искал(а) пользователя vasya\r\n"
                     "[12:06:2026.20:10:07] Petya искал(а) пользователя Kolya\r\n"
                     "[12:06:2026.20:10:07] Petya искал(а) пользователя KOLYA\r\n"));
}

TEST_F(SeenTrackerTest, TheLaterOfTwoCaseVariantsWins) {
  f.dir.WriteFile("botfile/seen.txt", "vasya\x8F" "10:00/06.12.2026\r\nVASYA\x8F" "17:05/06.12.2026\n");
  seen.SeenQuery(W("Vasya"), "Petya");
  EXPECT_EQ(Said(), W("Пользователь Vasya был тут 1 час назад (06.12.2026 в 17:05)"));
}

TEST_F(SeenTrackerTest, MissingFileIsEmptyAndNotInvented) {
  std::remove(f.dir.FilePath("botfile/seen.txt").c_str());
  seen.SeenQuery("Ghost", "Petya");
  EXPECT_EQ(Said(), W("Пользователь Ghost не появлялся здесь"));
  EXPECT_FALSE(f.dir.Exists("botfile/seen.txt"));
}

TEST_F(SeenTrackerTest, UnreadableRecordSaysAndLogsNothing) {
  f.dir.WriteFile("botfile/seen.txt", "Vasya\x8F" "soon/06.12.2026\r\n");
  EXPECT_THROW(seen.SeenQuery("Vasya", "Petya"), std::invalid_argument);
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_EQ(Log(), "");
}

TEST_F(SeenTrackerTest, RecordsAreWrittenInABatchWithinASecond) {
  f.dir.WriteFile("botfile/seen.txt", "Ann\x8F" "09:00/01.12.2026\r\n");
  seen.RecordSeen("Vasya");
  seen.RecordSeen("Ann");
  EXPECT_EQ(Seen(), "Ann\x8F" "09:00/01.12.2026\r\n");  // nothing on the reply path
  f.loop.Advance(999ms);
  EXPECT_EQ(Seen(), "Ann\x8F" "09:00/01.12.2026\r\n");
  f.loop.Advance(1ms);
  EXPECT_EQ(Seen(), "Ann\x8F" "18:05/06.12.2026\r\nVasya\x8F" "18:05/06.12.2026\r\n");
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);

  // The same minute changes nothing; a later one waits for the stop.
  seen.RecordSeen("Ann");
  EXPECT_FALSE(seen.Pending());
  f.clock.SetNow(At(2026, 12, 6, 18, 7));
  seen.RecordSeen("Ann");
  seen.Flush();
  EXPECT_EQ(Seen(), "Ann\x8F" "18:07/06.12.2026\r\nVasya\x8F" "18:05/06.12.2026\r\n");
}

TEST_F(SeenTrackerTest, ANickHoldingTheSeparatorIsNotRecorded) {
  seen.RecordSeen("Va\x8Fsya");
  EXPECT_FALSE(seen.Pending());
  EXPECT_EQ(seen.Size(), 0u);
}

TEST_F(SeenTrackerTest, AnUnreadableListIsNeitherRecordedIntoNorRewritten) {
  // A folder where the file should be: it cannot be read.
  std::remove(f.dir.FilePath("botfile/seen.txt").c_str());
  ASSERT_TRUE(CreateDirectory(f.dir.FilePath("botfile/seen.txt")));
  seen.RecordSeen("Vasya");
  EXPECT_FALSE(seen.Pending());
  EXPECT_THROW(seen.SeenQuery("Vasya", "Petya"), FileError);
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(SeenTrackerTest, LongFileKeepsEveryLine) {
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "nick" + std::to_string(i) + "\x8F" "09:00/01.12.2026\r\n";
  f.dir.WriteFile("botfile/seen.txt", text);
  seen.RecordSeen("nick5999");
  seen.RecordSeen("newcomer");
  seen.Flush();
  std::vector<std::string> lines = ReadLines(f.dir.FilePath("botfile/seen.txt"));
  ASSERT_EQ(lines.size(), 6001u);
  EXPECT_EQ(lines[0], "nick0\x8F" "09:00/01.12.2026");
  EXPECT_EQ(lines[5999], "nick5999\x8F" "18:05/06.12.2026");
  EXPECT_EQ(lines[6000], "newcomer\x8F" "18:05/06.12.2026");
}

// Lines under ever new names cannot grow the list without end: a new nick
// beyond the bound takes the line of the nick seen longest ago (a record
// whose time does not read first).
TEST_F(SeenTrackerTest, ANewNickBeyondTheBoundTakesTheLineSeenLongestAgo) {
  f.dir.WriteFile("botfile/seen.txt", "Recent\x8F" "17:00/06.12.2026\r\nOld\x8F" "09:00/01.12.2026\r\n"
                                      "Broken\x8F" "soon/06.12.2026\r\n");
  SeenTracker bounded{f.dir.FilePath("botfile/seen.txt"), f.dir.FilePath("botfile/seen_log.log"),
                      f.clock, f.parts().replies, f.loop, 3};
  bounded.RecordSeen("Ann");
  bounded.RecordSeen("Bob");
  f.clock.AdvanceMinutes(1);
  bounded.RecordSeen("Recent");
  bounded.RecordSeen("Cid");  // Ann is now the one seen longest ago
  bounded.Flush();
  EXPECT_EQ(Seen(), "Recent\x8F" "18:06/06.12.2026\r\nBob\x8F" "18:05/06.12.2026\r\n"
                    "Cid\x8F" "18:06/06.12.2026\r\n");
  bounded.SeenQuery("Ann", "Petya");
  EXPECT_EQ(Said(), W("Пользователь Ann не появлялся здесь"));

  for (int i = 0; i < 1000; ++i) bounded.RecordSeen("flood" + std::to_string(i));
  bounded.Flush();
  EXPECT_EQ(Seen(), "flood997\x8F" "18:06/06.12.2026\r\nflood999\x8F" "18:06/06.12.2026\r\n"
                    "flood998\x8F" "18:06/06.12.2026\r\n");
}

// As shipped, the list keeps 100 000 nicks and the query log 1 MiB; a
// query is still answered once the log is full.
TEST_F(SeenTrackerTest, TheShippedBounds) {
  for (int i = 0; i <= 100000; ++i) seen.RecordSeen("n" + std::to_string(i));
  seen.Flush();
  EXPECT_EQ(ReadLines(f.dir.FilePath("botfile/seen.txt")).size(), 100000u);
  seen.SeenQuery("N100000", "Petya");
  EXPECT_EQ(Said(), W("Я только что видел тут пользователя под ником N100000"));

  const std::string full(1048576, 'q');
  f.dir.WriteFile("botfile/seen_log.log", full);
  seen.SeenQuery("n0", "Petya");
  EXPECT_EQ(Said(), W("Пользователь n0 не появлялся здесь"));
  EXPECT_EQ(Log(), full);
}

// Through the bot: chat lines record, the stop writes at once, and the
// query row answers the asker's own nick itself.
TEST(SeenTrackerInstalled, ChatLinesRecordAndTheStopWrites) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  const ChatPeer vasya{"Vasya", "PC1"};
  f.ReceiveLine(vasya, "hello");
  EXPECT_EQ(f.dir.ReadFile("botfile/seen.txt"), "");
  for (const auto& stopped : f.parts().on.life.stopped) stopped();
  EXPECT_EQ(f.dir.ReadFile("botfile/seen.txt"), "Vasya\x8F" "18:05/06.12.2026\r\n");

  f.ClearSent();
  f.ReceiveLine(vasya, "!seen Vasya");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Vasya, потерялся в этом жестоком мире?"));
  f.ClearSent();
  f.ReceiveLine(vasya, W("!ыуут vasya"));
  sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Я только что видел тут пользователя под ником vasya"));
}

// The operator may edit the list while the bot is stopped; the next start
// reads it again rather than writing the old records over it.
TEST(SeenTrackerInstalled, EditsMadeWhileTheBotWasStoppedAreKept) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  Lifecycle& life = f.parts().on.life;
  for (const auto& started : life.started) started();
  f.ReceiveLine(ChatPeer{"Vasya", "PC1"}, "hello");
  for (const auto& stopped : life.stopped) stopped();
  ASSERT_EQ(f.dir.ReadFile("botfile/seen.txt"), "Vasya\x8F" "18:05/06.12.2026\r\n");

  f.dir.WriteFile("botfile/seen.txt", "Ghost\x8F" "10:00/01.12.2020\r\n");
  for (const auto& started : life.started) started();
  f.ReceiveLine(ChatPeer{"Petya", "PC2"}, "hi");
  for (const auto& stopped : life.stopped) stopped();
  EXPECT_EQ(f.dir.ReadFile("botfile/seen.txt"),
            "Ghost\x8F" "10:00/01.12.2020\r\nPetya\x8F" "18:05/06.12.2026\r\n");
}

}  // namespace
}  // namespace pelmo
