#include "core/bot_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "core/bot_view.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

struct ShownLine {
  std::string prefix;
  std::string text;
  std::uint32_t color;
};

class RecordingView : public BotView {
 public:
  void OnLogLine(const std::string& prefix, const std::string& text, std::uint32_t color) override {
    lines.push_back({prefix, text, color});
  }
  void OnLogCleared() override { ++cleared; }
  std::vector<ShownLine> lines;
  int cleared = 0;
};

class BotLogTest : public ::testing::Test {
 protected:
  BotLogTest() { dir.WriteFile("botfile/log.txt", ""); }

  // Writes "line 0" .. "line count-1".
  void WriteLines(int count) {
    for (int i = 0; i < count; ++i) log.LogToFile("line " + std::to_string(i));
  }

  TempDir dir;
  FakeClock clock;  // 18:05
  BotSettings settings;
  BotLog log{clock, settings, dir.FilePath("botfile/log.txt")};
};

TEST_F(BotLogTest, WindowLineHasBlackTimePrefixAndColouredText) {
  RecordingView view, other;
  log.AddView(&view);
  log.AddView(&other);
  log.AddView(&view);  // once only
  log.LogLine("Started.");
  log.LogLine("alice: hi", 0x00FF00);
  log.RemoveView(&other);
  log.LogLine("after");
  log.ClearWindowLog();

  ASSERT_EQ(view.lines.size(), 3u);
  EXPECT_EQ(view.lines[0].prefix, "[18:05] ");
  EXPECT_EQ(view.lines[0].text, "Started.");
  EXPECT_EQ(view.lines[0].color, 0u);
  EXPECT_EQ(view.lines[1].color, 0x00FF00u);
  EXPECT_EQ(other.lines.size(), 2u);
  EXPECT_EQ(view.cleared, 1);
  EXPECT_EQ(other.cleared, 0);
}

TEST_F(BotLogTest, FileLineHasNoBlankAfterTheTime) {
  // A last line without its line end (edited by hand) is ended first.
  dir.WriteFile("botfile/log.txt", "old");
  log.LogToFile("bob (pc): hi");
  clock.AdvanceMinutes(61);
  log.LogToFile("x");
  ASSERT_TRUE(log.FlushFile());
  EXPECT_EQ(dir.ReadFile("botfile/log.txt"), "old\r\n[18:05]bob (pc): hi\r\n[19:06]x\r\n");
  EXPECT_EQ(log.RingSlot(0), "[18:05]bob (pc): hi");
  EXPECT_EQ(log.RingSlot(1), "[19:06]x");
  EXPECT_EQ(log.WriteIndex(), 2u);
}

TEST_F(BotLogTest, RingWrapsAndRecentLinesComeOldestFirst) {
  WriteLines(1030);
  EXPECT_EQ(log.WriteIndex(), 6u);
  EXPECT_EQ(log.RingSlot(5), "[18:05]line 1029");
  EXPECT_EQ(log.RingSlot(6), "[18:05]line 6");

  std::string expected;
  for (int i = 1020; i < 1030; ++i) expected += "\r\n[18:05]line " + std::to_string(i);
  EXPECT_EQ(log.RecentLines(10), expected);
  EXPECT_EQ(log.RecentLines(1), "\r\n[18:05]line 1029");
  EXPECT_EQ(log.RecentLines(0), "");
}

TEST_F(BotLogTest, RecentLinesSkipEmptySlotsAndSurviveAnyCount) {
  WriteLines(3);
  const std::string all = "\r\n[18:05]line 0\r\n[18:05]line 1\r\n[18:05]line 2";
  EXPECT_EQ(log.RecentLines(99), all);
  EXPECT_EQ(log.RecentLines(1024), all);
  EXPECT_EQ(log.RecentLines(5000), all);
  EXPECT_EQ(log.RecentLines(9223372036854775807LL), all);
  EXPECT_EQ(log.RecentLines(-1), "");
  EXPECT_EQ(log.RecentLines(-9223372036854775807LL - 1), "");

  // A full ring: every slot once, oldest first.
  WriteLines(1024);
  const std::string full = log.RecentLines(100000);
  EXPECT_EQ(full.size(), log.RecentLines(1024).size());
  EXPECT_NE(full.find("line 1023"), std::string::npos);

  log.ClearRing();
  EXPECT_EQ(log.WriteIndex(), 0u);
  EXPECT_EQ(log.RecentLines(10), "");
}

// One request gets at most 16 KB: the newest lines that fit, after a line
// saying that older ones were left out.
TEST_F(BotLogTest, RecentLinesAreBoundedTo16KB) {
  for (int i = 0; i < 99; ++i) log.LogToFile(std::string(1000, 'a' + i % 26));
  const std::string reply = log.RecentLines(99);
  const std::string note =
      "\r\n" + W("(Показано не всё: остальное не помещается в один ответ.)");
  EXPECT_EQ(reply.rfind(note, 0), 0u);
  // 16 lines of 2 + 7 + 1000 bytes fit with the note, a 17th would not.
  EXPECT_EQ(reply.size(), note.size() + 16 * 1009);
  EXPECT_EQ(reply.substr(reply.size() - 1000), std::string(1000, 'a' + 98 % 26));
  EXPECT_EQ(log.RecentLines(16), reply.substr(note.size()));
}

TEST_F(BotLogTest, FileOverTheLimitIsEmptiedAfterTheLineIsWritten) {
  dir.WriteFile("botfile/log.txt", std::string(220001, 'x'));
  log.LogToFile("lost");
  ASSERT_TRUE(log.FlushFile());
  EXPECT_EQ(FileSize(dir.FilePath("botfile/log.txt")), 0);
  // The ring keeps the line the file lost.
  EXPECT_EQ(log.RingSlot(0), "[18:05]lost");
}

TEST_F(BotLogTest, TrimsOnlyPastTheLimitAndWhenChecked) {
  // "[18:05]ab" + CR LF is 11 bytes: the file ends exactly at the limit.
  dir.WriteFile("botfile/log.txt", std::string(220000 - 11 - 2, 'x') + "\r\n");
  log.LogToFile("ab");
  ASSERT_TRUE(log.FlushFile());
  EXPECT_EQ(FileSize(dir.FilePath("botfile/log.txt")), 220000);
  log.LogToFile("c");
  ASSERT_TRUE(log.FlushFile());
  EXPECT_EQ(FileSize(dir.FilePath("botfile/log.txt")), 0);

  settings.CheckLogFileSizeCB = false;
  dir.WriteFile("botfile/log.txt", std::string(300000 - 2, 'x') + "\r\n");
  log.LogToFile("kept");
  ASSERT_TRUE(log.FlushFile());
  EXPECT_EQ(FileSize(dir.FilePath("botfile/log.txt")), 300000 + 13);
}

// The file stays open between lines; a file removed or replaced by
// somebody else is opened again by its name within about a second, and
// every line lands in the old file or the new one, in order.
TEST_F(BotLogTest, AReplacedFileIsOpenedAgainWithoutLosingALine) {
  log.LogToFile("first");
  ASSERT_TRUE(log.FlushFile());
  ASSERT_EQ(std::rename(dir.FilePath("botfile/log.txt").c_str(),
                        dir.FilePath("botfile/log.old").c_str()),
            0);
  dir.WriteFile("botfile/log.txt", "");
  int sent = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (dir.ReadFile("botfile/log.txt").empty() && std::chrono::steady_clock::now() < deadline) {
    log.LogToFile("line " + std::to_string(sent++));
    ASSERT_TRUE(log.FlushFile());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string old = dir.ReadFile("botfile/log.old");
  const std::string now = dir.ReadFile("botfile/log.txt");
  ASSERT_FALSE(now.empty()) << "never opened again";
  std::string all;
  for (int i = 0; i < sent; ++i) all += "[18:05]line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(old + now, "[18:05]first\r\n" + all);
}

// A file that cannot be written loses its lines, says why once, and the
// ring keeps them all.
TEST_F(BotLogTest, AnUnwritableFileIsReportedOnceAndTheRingKeepsItsLines) {
  RecordingView view;
  BotLog broken(clock, settings, dir.FilePath("nofolder/log.txt"));
  broken.AddView(&view);
  for (const char* text : {"x", "y", "z"}) {
    broken.LogToFile(text);
    ASSERT_TRUE(broken.FlushFile());
  }
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_EQ(view.lines[0].text.rfind(W("Error: не удалось записать ") + dir.FilePath("nofolder/log.txt") +
                                         ": ",
                                     0),
            0u)
      << view.lines[0].text;
  EXPECT_EQ(broken.WriteIndex(), 3u);
  EXPECT_EQ(broken.RingSlot(2), "[18:05]z");
  EXPECT_FALSE(dir.Exists("nofolder/log.txt"));
}

}  // namespace
}  // namespace pelmo
