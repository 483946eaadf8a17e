#include "services/jokes.h"

#include <gtest/gtest.h>

#include <map>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

const std::string kSep = AnecdoteSeparator();

TEST(ParseAnecdotes, EveryAnecdoteBeginsWithABreakAndEndsEachLine) {
  const struct {
    std::string file;
    std::vector<std::string> anecdotes;
  } cases[] = {
      {"", {}},
      {"A\r\n" + kSep + "\r\nB1\r\nB2\r\n" + kSep + "\r\nC\r\n" + kSep + "\r\n",
       {"\r\nA\r\n", "\r\nB1\r\nB2\r\n", "\r\nC\r\n", "\r\n\r\n"}},
      {"A\n" + kSep + "\nB", {"\r\nA\r\n", "\r\nB\r\n\r\n"}},  // LF line ends
      {"A\r\n" + kSep + "\r\nB\r\n\r\n", {"\r\nA\r\n"}},      // ends with an empty line
      {kSep + "\r\n" + kSep + "\r\n", {"\r\n", "\r\n", "\r\n\r\n"}},
      {"A\r" + kSep + "+\r\n", {"\r\nA\r\n" + kSep + "+\r\n\r\n"}},  // 69 chars: no separator
  };
  for (const auto& c : cases) EXPECT_EQ(ParseAnecdotes(c.file), c.anecdotes) << c.file;
}

TEST(ParseAnecdotes, BothCollectionsStopAtTheirLimit) {
  std::string lines;
  for (int i = 0; i < 500003; ++i) lines += "x\r\n";
  EXPECT_EQ(ParseAphorisms(lines).size(), 500000u);
  std::string anecdotes;
  for (int i = 0; i < 500003; ++i) anecdotes += "x\r\n" + kSep + "\r\n";
  EXPECT_EQ(ParseAnecdotes(anecdotes).size(), 500000u);
}

TEST(IsAnecdoteText, LineBreaksLengthOrTheSeparator) {
  const struct {
    std::string text;
    bool anecdote;
  } cases[] = {
      {"short one", false},        {"a\nb", true},
      {"a\rb", true},              {"a\r\nb", true},
      {std::string(253, 'x'), false}, {std::string(254, 'x'), true},
      {"x" + kSep + "y", true},    {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsAnecdoteText(c.text), c.anecdote) << c.text;
}

class JokesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    f.parts().settings.IntervalE = 20;
  }
  void Load(const std::string& anecdotes, const std::string& aphorisms) {
    f.dir.WriteFile("botfile/anecdot.txt", anecdotes);
    f.dir.WriteFile("botfile/Aforizm.txt", aphorisms);
    jokes.LoadAnecdotes();
    jokes.LoadAphorisms();
    f.view.Clear();
  }

  BotFixture f;
  Jokes jokes{f.parts().folder, f.parts().settings, f.parts().random, f.clock,
              f.parts().replies, f.parts().log};
  const std::uint32_t kUser = Loopback(2);
};

TEST_F(JokesTest, HandOutsFromNoneOneAndTwoEntries) {
  Load("", "");
  jokes.GiveAnecdote(kUser);
  jokes.GiveAphorism(kUser);
  EXPECT_TRUE(f.Sent().empty());

  Load("Only\r\n", "Solo\r\n");
  jokes.GiveAnecdote(kUser);
  jokes.GiveAphorism(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, "\r\nOnly\r\n\r\n");
  EXPECT_EQ(sent[0].channel, "Anecdot");
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[1].text, "Solo");
  EXPECT_EQ(sent[1].channel, "Main");
  EXPECT_EQ(sent[1].dstAddr, kLoopbackBroadcast);
  EXPECT_TRUE(f.view.Contains(W("Выдан анекдот номер: 1")));
  EXPECT_TRUE(f.view.Contains(W("Выдан афоризм номер: 1")));
  f.ClearSent();

  // With two the last is never drawn.
  Load("First\r\n" + kSep + "\r\nSecond\r\n", "One\r\nTwo\r\n");
  for (int i = 0; i < 5; ++i) {
    f.clock.AdvanceSeconds(20);
    jokes.GiveAnecdote(kUser);
    jokes.GiveAphorism(kUser);
    EXPECT_EQ(f.TakeSentTexts(), (std::vector<std::string>{"\r\nFirst\r\n", "One"}));
  }
}

TEST_F(JokesTest, AnEntryOfLineBreaksOnlyIsNeverDrawn) {
  // A, B and the "\r\n\r\n" after the last separator; an addition at run
  // time brings that one into the draw's range. Aphorisms: an empty line.
  Load("A\r\n" + kSep + "\r\nB\r\n" + kSep + "\r\n", "X\r\n\r\nY\r\nZ\r\n");
  jokes.AddAnecdote("Vasya", "C", kUser);
  jokes.AddAphorism("Vasya", "W", kUser);
  ASSERT_EQ(jokes.Anecdotes().size(), 4u);
  f.ClearSent();
  std::map<std::string, int> told;
  for (int i = 0; i < 60; ++i) {
    f.clock.AdvanceSeconds(20);
    jokes.GiveAnecdote(kUser);
    jokes.GiveAphorism(kUser);
    const std::vector<std::string> texts = f.TakeSentTexts();
    ASSERT_EQ(texts.size(), 2u) << "request " << i;
    for (const std::string& text : texts) ++told[text];
  }
  // Every entry with text in the range turns up; nothing else.
  EXPECT_EQ(told.size(), 5u);
  for (const char* text : {"\r\nA\r\n", "\r\nB\r\n", "X", "Y", "Z"}) {
    EXPECT_GT(told[text], 0) << text;
  }

  // Nothing but such entries in the range: nothing to tell.
  f.clock.AdvanceSeconds(20);
  Load(kSep + "\r\n", "\r\n");
  EXPECT_EQ(jokes.Anecdotes().size(), 2u);
  jokes.GiveAnecdote(kUser);
  jokes.GiveAphorism(kUser);
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(JokesTest, WaitingNoticesWithTheirWords) {
  Load("A\r\n", "B\r\n");
  jokes.GiveAnecdote(kUser);
  f.ClearSent();
  const struct {
    int after;  // seconds since the hand-out
    const char* notice;
  } cases[] = {
      {1, "Подождите 19 секунд"}, {5, "Подождите 15 секунд"},
      {18, "Подождите 2 секунды"}, {19, "Подождите 1 секунда"},
  };
  std::uint64_t elapsed = 0;
  for (const auto& c : cases) {
    f.clock.AdvanceSeconds(static_cast<std::uint64_t>(c.after) - elapsed);
    elapsed = static_cast<std::uint64_t>(c.after);
    jokes.GiveAnecdote(kUser);
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << c.notice;
    EXPECT_EQ(sent[0].text, W(c.notice));
    EXPECT_EQ(sent[0].dstAddr, kUser);
    f.ClearSent();
  }
  // The timer's own hand-out tells nobody; the aphorisms run separately.
  jokes.GiveAnecdote(kUser, true);
  EXPECT_TRUE(f.Sent().empty());
  jokes.GiveAphorism(kUser);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{"B"});
  f.clock.AdvanceSeconds(1);
  jokes.GiveAnecdote(kUser, true);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{"\r\nA\r\n\r\n"});
}

TEST_F(JokesTest, MidnightAndClockChangesDoNotDisturbTheInterval) {
  Load("A\r\n", "B\r\n");
  // Just after midnight the first request is answered.
  f.clock.SetNow(EncodeDateTime(DateTimeParts{2026, 12, 7, 0, 0, 5, 0}));
  jokes.GiveAnecdote(kUser);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{"\r\nA\r\n\r\n"});
  // The wall clock goes back an hour (summer time ends) five seconds later.
  f.clock.AdvanceSeconds(5);
  f.clock.SetNow(EncodeDateTime(DateTimeParts{2026, 12, 6, 23, 0, 10, 0}));
  jokes.GiveAnecdote(kUser);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{W("Подождите 15 секунд")});
  f.clock.AdvanceSeconds(15);
  jokes.GiveAnecdote(kUser);
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{"\r\nA\r\n\r\n"});
}

TEST_F(JokesTest, AdditionsGoToFileAndMemoryAndAreConfirmed) {
  Load("Old\r\n" + kSep + "\r\n", "Old one\r\n");
  jokes.AddAphorism("Vasya", "Short", kUser);
  jokes.AddAnecdote("Vasya", "Line1\rLine2\nLine3", kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/Aforizm.txt"), "Old one\r\nShort (Vasya)\r\n");
  EXPECT_EQ(f.dir.ReadFile("botfile/anecdot.txt"),
            "Old\r\n" + kSep + "\r\nLine1\r\nLine2\r\nLine3 (Vasya)\r\n" + kSep + "\r\n");
  EXPECT_EQ(jokes.Aphorisms().back(), "Short (Vasya)");
  EXPECT_EQ(jokes.Anecdotes().back(), "Line1\r\nLine2\r\nLine3 (Vasya)");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, W("Vasya%cf%, Ваш афоризм добавлен."));
  EXPECT_EQ(sent[1].text, W("Vasya%cf%, Ваш анекдот добавлен."));
  EXPECT_EQ(sent[1].dstAddr, kUser);
  // Reloaded, the file gives the same entries.
  jokes.LoadAnecdotes();
  EXPECT_EQ(jokes.Anecdotes()[1], "\r\nLine1\r\nLine2\r\nLine3 (Vasya)\r\n");
}

TEST_F(JokesTest, AFullCollectionTakesNothingMore) {
  std::string lines;
  for (int i = 0; i < 500000; ++i) lines += "x\n";
  Load("", lines);
  jokes.AddAphorism("Vasya", "One more", kUser);
  EXPECT_EQ(jokes.Aphorisms().size(), 500000u);
  EXPECT_EQ(f.dir.ReadFile("botfile/Aforizm.txt").size(), lines.size());
  EXPECT_TRUE(f.Sent().empty());
}

// What the chat adds is bounded: a text of 4096 bytes at most, to a file
// below 16 MiB; the file stays as it was and the sender is told.
TEST_F(JokesTest, AdditionsAreBoundedAndNothingIsLost) {
  const std::string old = "Old\r\n" + kSep + "\r\n";
  Load(old, "");
  jokes.AddAnecdote("Vasya", std::string(4097, 'a'), kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/anecdot.txt"), old);
  jokes.AddAnecdote("Vasya", std::string(4096, 'b'), kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/anecdot.txt").size(), old.size() + 4096 + 8 + 2 + 68 + 2);

  const std::string full = std::string(16 * 1024 * 1024, 'z') + "\r\n";
  f.dir.WriteFile("botfile/Aforizm.txt", full);
  jokes.AddAphorism("Vasya", "Short", kUser);
  EXPECT_EQ(f.dir.ReadFile("botfile/Aforizm.txt"), full);
  std::vector<std::string> said;
  for (const SentPacket& packet : f.Sent()) said.push_back(packet.text);
  EXPECT_EQ(said, (std::vector<std::string>{W("Vasya%cf%, Текст длиннее 4096 знаков не добавлен."),
                                            W("Vasya%cf%, Ваш анекдот добавлен."),
                                            W("Vasya%cf%, Места больше нет, текст не добавлен.")}));
  EXPECT_EQ(jokes.Anecdotes().size(), 3u);  // "Old", the empty one after it, the addition
  EXPECT_TRUE(jokes.Aphorisms().empty());
}

// The rows: "w" only in the anecdote channel, "add " choosing the collection.
TEST(JokesInstalled, RowsChooseChannelAndCollection) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  f.dir.WriteFile("botfile/anecdot.txt", "Joke\r\n");
  for (const auto& load : f.parts().on.life.loadLists) load();
  const ChatPeer vasya{"Vasya", "PC1"};
  f.ReceiveLine(vasya, "!w");  // the main channel: no anecdote
  for (const SentPacket& p : f.Sent()) EXPECT_NE(p.channel, "Anecdot");
  f.ClearSent();
  f.ReceiveLine(vasya, W("!ц"), "Anecdot");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "\r\nJoke\r\n\r\n");

  f.ReceiveLine(vasya, "!add a\rb");
  f.ReceiveLine(vasya, W("!доб plain"));
  EXPECT_EQ(f.dir.ReadFile("botfile/Aforizm.txt"), "plain (Vasya)\r\n");
  EXPECT_EQ(f.dir.ReadFile("botfile/anecdot.txt"), "Joke\r\na\r\nb (Vasya)\r\n" + kSep + "\r\n");
  EXPECT_TRUE(f.view.Contains(W("Vasya (PC1) команда добавить анекдот.")));
  EXPECT_TRUE(f.view.Contains(W("Vasya (PC1) команда добавить прикол.")));
}

}  // namespace
}  // namespace pelmo
