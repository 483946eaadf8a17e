#include "games/chatterbox.h"

#include <gtest/gtest.h>

#include <set>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "games/install_games.h"

namespace pelmo {
namespace {

TEST(SplitPhraseLine, FirstCaretSplits) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"привет^здравствуй", "привет", "здравствуй"},
      {"a^b^c", "a", "b^c"},
      {"без знака", "", "без знака"},
      {"", "", ""},
      {"^x", "", "x"},
      {" пробел ^ ответ", " пробел ", " ответ"},
  };
  for (const auto& [line, trigger, answer] : rows) {
    const Phrase phrase = SplitPhraseLine(W(line));
    EXPECT_EQ(phrase.trigger, W(trigger)) << line;
    EXPECT_EQ(phrase.answer, W(answer)) << line;
  }
}

class ChatterboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    games = InstallGames(f.services());
  }
  // What the bot answers to the line, said to everybody in Main.
  std::vector<std::string> Answers(const std::string& text, const std::string& channel = "Main") {
    f.ClearSent();
    f.ReceiveLine(ann, text, channel);
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.dstAddr, kLoopbackBroadcast);
      EXPECT_EQ(packet.channel, "Main");
      texts.push_back(Cp1251ToUtf8(packet.text));
    }
    return texts;
  }
  Chatterbox& box() { return games->chatterbox; }

  BotFixture f;
  std::unique_ptr<Games> games;
  ChatPeer ann{"Ann", "PC1", Loopback(2)};
};

TEST_F(ChatterboxTest, MatchesTheTrimmedNarrowlyLowerCasedMessage) {
  f.dir.WriteFile("botfile/boltun.txt",
                  W("привет^Здравствуй!\r\nПока^never\r\nёлка^ель\nhello world^hi\r\n"
                    "без знака\r\n!кто^я\r\n"));
  for (const auto& load : f.parts().on.life.loadLists) load();
  ASSERT_EQ(box().PhraseCount(), 6u);
  const std::pair<const char*, const char*> rows[] = {
      {"привет", "Здравствуй!"},
      {"  ПрИвЕт \t", "Здравствуй!"},
      {"привет!", nullptr},
      {"привет всем", nullptr},
      {"Пока", nullptr},  // a trigger with a capital never matches
      {"пока", nullptr},
      {"ёлка", "ель"},
      {"Ёлка", nullptr},  // Ё is not lower-cased
      {"HELLO World", "hi"},
      {"   ", "без знака"},  // only an empty message meets the empty trigger
      {"!КТО", "я"},        // commands are looked up too
  };
  for (const auto& [text, answer] : rows) {
    std::vector<std::string> said = Answers(W(text));
    if (answer == nullptr) {
      EXPECT_TRUE(said.empty()) << text;
    } else {
      EXPECT_EQ(said, std::vector<std::string>{answer}) << text;
    }
  }
  EXPECT_EQ(Answers(W("привет"), "Other"), std::vector<std::string>{"Здравствуй!"});
  f.parts().settings.BoltunCB = false;
  EXPECT_TRUE(Answers(W("привет")).empty());
}

TEST_F(ChatterboxTest, OneOfSeveralAnswersByTheTickCounter) {
  f.dir.WriteFile("botfile/boltun.txt", "hi^one\r\nx^y\r\nhi^two\r\nhi^three\r\n");
  box().LoadPhrases();
  std::set<int> chosen;
  for (std::uint64_t tick = 0; tick < 6; ++tick) {
    f.clock.SetTickMs(tick);
    const int index = box().FindPhrase("hi");
    EXPECT_EQ(index, (std::vector<int>{0, 2, 3})[tick % 3]);
    chosen.insert(index);
  }
  EXPECT_EQ(chosen.size(), 3u);
  EXPECT_EQ(box().FindPhrase("nothing"), -1);
  EXPECT_EQ(box().TriggerAt(1), "x");
  EXPECT_EQ(box().AnswerAt(1), "y");
  EXPECT_EQ(box().AnswerAt(4), "");
  EXPECT_EQ(box().AnswerAt(-1), "");
}

TEST_F(ChatterboxTest, KeepsTenThousandPairs) {
  std::string file;
  for (int i = 0; i < 10005; ++i) file += "t" + std::to_string(i) + "^a\r\n";
  f.dir.WriteFile("botfile/boltun.txt", file);
  box().LoadPhrases();
  EXPECT_EQ(box().PhraseCount(), 10000u);
  box().AddPhrase("more", "no");
  EXPECT_EQ(box().PhraseCount(), 10000u);
  EXPECT_EQ(box().FindPhrase("t10000"), -1);
}

TEST_F(ChatterboxTest, SaveRefusesRowsThatWouldNotReadBack) {
  f.dir.WriteFile("botfile/boltun.txt", "old^pair\r\n");
  box().LoadPhrases();
  const std::pair<std::vector<Phrase>, int> refused[] = {
      {{{"ok", "fine"}, {"a^b", "c"}}, 1},
      {{{"line\r", "x"}}, 0},
      {{{"x", "two\nlines"}}, 0},
  };
  for (const auto& [rows, index] : refused) {
    EXPECT_EQ(box().SaveRows(rows), index);
    EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), "old^pair\r\n");
    ASSERT_EQ(box().PhraseCount(), 1u);
  }

  // A trigger is kept trimmed and lower-cased, as the messages it is
  // compared with are; answers as typed.
  const std::vector<Phrase> rows = {{"Hi", "a^b"}, {"", "bare"}, {" sp ", " As Typed "}};
  EXPECT_EQ(box().SaveRows(rows), -1);
  EXPECT_EQ(f.dir.ReadFile("botfile/boltun.txt"), "hi^a^b\r\n^bare\r\nsp^ As Typed \r\n");
  box().LoadPhrases();
  ASSERT_EQ(box().PhraseCount(), 3u);
  const Phrase kept[] = {{"hi", "a^b"}, {"", "bare"}, {"sp", " As Typed "}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(box().TriggerAt(static_cast<int>(i)), kept[i].trigger);
    EXPECT_EQ(box().AnswerAt(static_cast<int>(i)), kept[i].answer);
  }
}

TEST(Chatterbox, FileThatCannotBeWrittenLeavesThePairs) {
  TempDir dir;
  FakeClock clock;
  Chatterbox lost(dir.FilePath("missing/boltun.txt"), clock);
  lost.LoadPhrases();  // no file: no pairs
  EXPECT_EQ(lost.PhraseCount(), 0u);
  lost.AddPhrase("a", "b");
  EXPECT_THROW(lost.SaveRows({{"c", "d"}}), FileError);
  EXPECT_EQ(lost.TriggerAt(0), "a");
  EXPECT_EQ(lost.PhraseCount(), 1u);
}

}  // namespace
}  // namespace pelmo
