#include "services/flood_stats.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/install_services.h"
#include "services/stat_store.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

const std::string kFrame = "\r\n-----------------------------------------\r\n";

class FloodStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    f.ClearSent();
  }
  std::string StatFile() {
    return f.dir.Exists("botfile/stat.ini") ? f.dir.ReadFile("botfile/stat.ini") : "";
  }
  // What the command sent to the user, in one text.
  std::string Ask(const std::string& command, const std::string& host = "PC1") {
    f.ClearSent();
    stats.Command(command, host, kUser);
    std::string text;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.dstAddr, kUser);
      EXPECT_EQ(packet.kind, kKindListing);
      text += packet.text;
    }
    return text;
  }

  BotFixture f;
  StatStore store{f.dir.FilePath("botfile/stat.ini"), f.loop};
  FloodStats stats{store, f.parts().replies, f.clock};
  const std::uint32_t kUser = Loopback(2);
};

TEST(FloodStatsKeys, TheWeekBeginsOnMonday) {
  struct Case {
    DateTimeParts now;
    const char* day;
    const char* week;
  } cases[] = {
      {{2026, 12, 6, 18, 5, 7, 0}, "Day-06.12.2026", "Week-30.11.2026"},  // Sunday
      {{2026, 12, 6, 23, 59, 59, 999}, "Day-06.12.2026", "Week-30.11.2026"},
      {{2026, 12, 7, 0, 0, 0, 0}, "Day-07.12.2026", "Week-07.12.2026"},  // Monday
      {{2026, 12, 2, 12, 0, 0, 0}, "Day-02.12.2026", "Week-30.11.2026"},  // Wednesday
      {{2027, 1, 2, 9, 0, 0, 0}, "Day-02.01.2027", "Week-28.12.2026"},   // across the year
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DayKey(EncodeDateTime(c.now)), c.day);
    EXPECT_EQ(WeekKey(EncodeDateTime(c.now)), c.week);
  }
}

TEST_F(FloodStatsTest, CountsInMemoryAndWritesWithinASecond) {
  stats.Count("PC1", "Ann", "help");
  stats.Count("PC1", "Ann", "stat");
  stats.Count("pc1", "Bob", "top 3");  // the section's case is ignored
  EXPECT_EQ(StatFile(), "");            // nothing on disk on the reply path
  f.loop.Advance(999ms);
  EXPECT_EQ(StatFile(), "");
  f.loop.Advance(1ms);
  EXPECT_EQ(StatFile(),
            "[PC1]\r\nDay-06.12.2026=13\r\nWeek-30.11.2026=13\r\nUser-Ann=8\r\nTotal=13\r\n"
            "User-Bob=5\r\n");
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);  // idle until the next change

  f.clock.AdvanceDays(1);  // Monday: a new day and a new week
  stats.Count("PC1", "Ann", "a");
  store.Flush();
  EXPECT_EQ(store.ReadInteger("PC1", "Day-07.12.2026", 0), 1);
  EXPECT_EQ(store.ReadInteger("PC1", "Week-07.12.2026", 0), 1);
  EXPECT_EQ(store.ReadInteger("PC1", "Day-06.12.2026", 0), 13);
  EXPECT_EQ(store.ReadInteger("PC1", "Total", 0), 14);
}

TEST_F(FloodStatsTest, CountsAre64Bit) {
  f.dir.WriteFile("botfile/stat.ini", "[PC1]\r\nTotal=4999999999\r\nUser-Ann=9223372036854775806\r\n");
  stats.Count("PC1", "Ann", "help");
  store.Flush();
  StatStore again(f.dir.FilePath("botfile/stat.ini"), f.loop);
  EXPECT_EQ(again.ReadInteger("PC1", "Total", 0), 5000000003);
  EXPECT_EQ(again.ReadInteger("PC1", "User-Ann", 0), INT64_MAX);  // saturates, never wraps
}

TEST_F(FloodStatsTest, HostileHostsAreNotCounted) {
  const std::string before = "[PC1]\r\nTotal=5\r\n";
  f.dir.WriteFile("botfile/stat.ini", before);
  for (const std::string& host :
       {std::string("PC\r\n[PC1]"), std::string("PC]"), std::string("PC1\nTotal=999"),
        std::string(""), std::string(" PC1"), std::string("PC1 "), std::string("P\0C", 3)}) {
    stats.Count(host, "Ann", "help");
  }
  store.Flush();
  EXPECT_EQ(StatFile(), before);
  stats.Count("PC=1", "[Ann]", "help");  // legal though odd: stored and read back as such
  EXPECT_EQ(store.ReadInteger("PC=1", "User-[Ann]", 0), 4);
}

TEST_F(FloodStatsTest, AHostIsCountedWhateverTheNick) {
  f.dir.WriteFile("botfile/stat.ini", "[PC1]\r\nTotal=5\r\n");
  // Nicks no key can hold as they are ("User-Vasya " would read back as
  // "User-Vasya"): each still counts its host, without a line of its own.
  for (const std::string& nick : {std::string("a=b"), std::string("Vasya "),
                                  std::string("Ann\r\nTotal=999"), std::string("A\0", 2)}) {
    stats.Count("PC1", nick, "help");
    stats.Count("PC2", nick, "help");
  }
  // A control character inside a nick is a blank in its key.
  stats.Count("PC2", "Ann\tBob", "help");
  store.Flush();
  StatStore again(f.dir.FilePath("botfile/stat.ini"), f.loop);
  EXPECT_EQ(again.ReadInteger("PC1", "Total", 0), 5 + 4 * 4);
  EXPECT_EQ(again.ReadInteger("PC1", "Day-06.12.2026", 0), 4 * 4);
  EXPECT_EQ(again.ReadInteger("PC2", "Total", 0), 5 * 4);
  EXPECT_EQ(again.ReadInteger("PC2", "Week-30.11.2026", 0), 5 * 4);
  EXPECT_EQ(again.ReadInteger("PC2", "User-Ann Bob", 0), 4);
  std::vector<std::string> keys;
  for (const auto& [key, value] : again.SectionValues("PC1")) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"Total", "Day-06.12.2026", "Week-30.11.2026"}));
  // The host's statistics answer now.
  EXPECT_NE(Ask("stat", "PC2").find(W("Статистика для PC2")), std::string::npos);
}

TEST_F(FloodStatsTest, StatReportLayout) {
  f.dir.WriteFile("botfile/stat.ini",
                  "[PC1]\r\nDay-06.12.2026=10\r\nWeek-23.11.2026=5\r\nweek-30.11.2026=20\r\n"
                  "User-Ann=7\r\nWeek-bad=1\r\nUser-Bartholomew=3\r\nTotal=30\r\n"
                  "[PC2]\r\nUser-Ab=1\r\n");
  const std::string report = Ask("stat");
  EXPECT_EQ(report, kFrame + "\r\n" + W("\t\tСтатистика для PC1\r\n") + "\r\n" +
                        W("* Счетовод флуда:\r\n"
                          "  - всего за сутки:\t\t\t10\r\n"
                          "  - всего за неделю:\t\t\t20\r\n"
                          "  * Недельные статы:\r\n"
                          "    - с 23.11.2026 по 29.11.2026\t\t5\r\n"
                          "  - для Ann\t\t\t\t7\r\n"
                          "  - для Bartholomew\t\t\t3\r\n"
                          "  - и всего: \t\t\t\t30\r\n") +
                        "\r\n-----------------------------------------\r\n");
  // Another host, named in any case; missing values; no older weeks.
  EXPECT_EQ(Ask(W("ыефе  pc2 ")),
            kFrame + "\r\n" + W("\t\tСтатистика для PC2\r\n") + "\r\n" +
                W("* Счетовод флуда:\r\n"
                  "  - всего за сутки:\t\t\tНеизвестно\r\n"
                  "  - всего за неделю:\t\t\tНеизвестно\r\n"
                  "  - для Ab\t\t\t\t\t1\r\n"
                  "  - и всего: \t\t\t\tНеизвестно\r\n") +
                "\r\n-----------------------------------------\r\n");
  EXPECT_EQ(Ask("stat NOPC"), "");
  EXPECT_EQ(Ask("Stat", "NOPC"), "");  // the word's case is ignored, the host has no section
}

TEST_F(FloodStatsTest, TopAndHtopOrderAndTies) {
  f.dir.WriteFile("botfile/stat.ini",
                  "[PC1]\r\nUser-Ann=50\r\nUser-Bob=7\r\nUser-Zed=0\r\nTotal=57\r\n"
                  "[PC2]\r\nUser-Cy=7\r\nUser-Dan=300\r\nUser-Eve=12\r\nTotal=319\r\n"
                  "[PC3]\r\nTotal=0\r\n[LONGHOSTNAME4]\r\nTotal=57\r\n");
  const std::string heading = W("\tСтатистика болтунов\r\n") + "\r\n";
  EXPECT_EQ(Ask("top 3"), kFrame + "\r\n" + heading +
                              "1. Dan (PC2)\t\t\t\t300\r\n"
                              "2. Ann (PC1)\t\t\t\t50\r\n"
                              "3. Eve (PC2)\t\t\t\t12\r\n" +
                              kFrame + "\r\n");
  // Equal counts: the name that sorts last comes first.
  const std::string all = Ask("top");
  EXPECT_NE(all.find("4. Cy (PC2)\t\t\t\t7\r\n5. Bob (PC1)\t\t\t\t7\r\n"), std::string::npos) << all;
  EXPECT_EQ(all.find("Zed"), std::string::npos);
  EXPECT_EQ(Ask("top abc"), all);  // not a number: 10 rows
  for (const char* none : {"top 0", "top -1"}) {
    EXPECT_EQ(Ask(none), kFrame + "\r\n" + heading + kFrame + "\r\n") << none;
  }
  EXPECT_EQ(Ask(W("рещз")), kFrame + "\r\n" + heading +
                                "1.  PC2\t\t\t\t\t319\r\n"
                                "2.  PC1\t\t\t\t\t57\r\n"
                                "3.  LONGHOSTNAME4\t\t\t57\r\n" +
                                kFrame + "\r\n");
  EXPECT_EQ(Ask("ttop"), kFrame + "\r\n" + W("\tСтатистика лодырей\r\n") + "\r\n" + kFrame + "\r\n");
  EXPECT_FALSE(stats.Command("tops", "PC1", kUser));
}

// The tables are kept in order between requests: on a full store (10 000
// hosts) what is counted after one shows in the next, and a host dropped for
// a newer one leaves them. What that saves is measured by the statistics
// benchmark, not here.
TEST_F(FloodStatsTest, TheTablesFollowTheCountsWithoutRankingTheFileAgain) {
  std::string file;
  for (int i = 0; i < 10000; ++i) {
    const std::string count = std::to_string(10000 - i);
    file += "[H" + std::to_string(i) + "]\r\nUser-N" + std::to_string(i) + "=" + count +
            "\r\nTotal=" + count + "\r\n";
  }
  f.dir.WriteFile("botfile/stat.ini", file);
  const std::string heading = kFrame + "\r\n" + W("\tСтатистика болтунов\r\n") + "\r\n";
  EXPECT_EQ(Ask("top 1"), heading + "1. N0 (H0)\t\t\t\t10000\r\n" + kFrame + "\r\n");
  stats.Count("H5", "Ann", std::string(20000, 'x'));
  EXPECT_EQ(Ask("top 2"), heading + "1. Ann (H5)\t\t\t\t20000\r\n2. N0 (H0)\t\t\t\t10000\r\n" +
                              kFrame + "\r\n");
  EXPECT_EQ(Ask("htop 1"), heading + "1.  H5\t\t\t\t\t29995\r\n" + kFrame + "\r\n");
  // A new host takes the place of the one counted least recently: H0.
  stats.Count("NEWPC", "Bob", "!top");
  EXPECT_EQ(Ask("top 3"), heading + "1. Ann (H5)\t\t\t\t20000\r\n2. N1 (H1)\t\t\t\t9999\r\n" +
                              "3. N2 (H2)\t\t\t\t9998\r\n" + kFrame + "\r\n");
}

// However many rows are asked for, one answer is at most 16 KB and says
// that more exists.
TEST_F(FloodStatsTest, ATableIsBoundedTo16KB) {
  std::string file = "[PC1]\r\n";
  for (int i = 1; i <= 3000; ++i) {
    file += "User-" + std::string(40, 'a') + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  }
  f.dir.WriteFile("botfile/stat.ini", file);
  const std::string table = Ask("top 1000000");
  const std::string note = W("(Показано не всё: остальное не помещается в один ответ.)");
  EXPECT_LE(table.size(), 16384u);
  EXPECT_GT(table.size(), 16000u);
  EXPECT_NE(table.find("\r\n1. " + std::string(40, 'a') + "3000 (PC1)3000\r\n2. "),
            std::string::npos);
  EXPECT_EQ(table.substr(table.size() - note.size() - 2 - kFrame.size() - 2),
            note + "\r\n" + kFrame + "\r\n");
}

// A statistics file that cannot be read is named in the log at start, and
// users asking for statistics or notes are told so instead of silence.
TEST(FloodStatsInstalled, AnUnreadableFileIsLoggedAndSaid) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  ASSERT_TRUE(CreateDirectory(f.dir.FilePath("botfile/stat.ini")));
  for (const auto& started : f.parts().on.life.started) started();
  int named = 0;
  for (const std::string& line : f.view.Texts()) {
    named += line.find(W("stat.ini (нет права на чтение, или это не файл); статистика и записки "
                         "недоступны")) != std::string::npos;
  }
  EXPECT_EQ(named, 1);
  const std::string unavailable =
      W("Статистика и записки сейчас недоступны: файл статистики не читается.");
  for (const char* command : {"!top", "!mess"}) {
    f.ClearSent();
    f.ReceiveLine({"Vasya", "PC1"}, command);
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << command;
    EXPECT_EQ(sent[0].text, unavailable);
  }
}

TEST_F(FloodStatsTest, AReportNeverIncludesTheLineThatAsked) {
  // Through the bot as the interpreter calls it: the report, then the count.
  InstallFloodStats(f.services(), stats, store);
  ChatPeer peer{"Ann", "PC1"};
  f.ReceiveLine(peer, "!help");
  f.ClearSent();
  f.ReceiveLine(peer, "!stat");
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent[0].text.find(W("  - и всего: \t\t\t\t4\r\n")), std::string::npos) << sent[0].text;
  EXPECT_EQ(store.ReadInteger("PC1", "Total", 0), 8);
  f.parts().on.life.stopped.back()();  // a stop writes the counts at once
  EXPECT_NE(StatFile().find("Total=8"), std::string::npos);
}

}  // namespace
}  // namespace pelmo
