#include "games/quiz.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/random.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "games/install_games.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// --- The questions file ---

TEST(ParseQuestionLine, TakesOnlyLinesWithQuestionAndAnswer) {
  struct Row {
    const char* line;
    bool taken;
    const char* question;
    const char* answer;
  } rows[] = {
      {"Столица Франции|Париж", true, "Столица Франции", "Париж"},
      {"Q | A ", true, "Q ", " A "},
      {"a|b|c", true, "a", "b|c"},
      {"|Париж", false, "", ""},
      {"без черты", false, "", ""},
      {"   \t ", false, "", ""},
      {"", false, "", ""},
      {"вопрос|", false, "", ""},      // no answer: nobody could win
      {"вопрос|   ", false, "", ""},   // a blank answer neither
      {" |x", true, " ", "x"},
  };
  for (const Row& row : rows) {
    std::optional<TQuestion> q = ParseQuestionLine(W(row.line));
    ASSERT_EQ(q.has_value(), row.taken) << row.line;
    if (!q) continue;
    EXPECT_EQ(q->Question, W(row.question)) << row.line;
    EXPECT_EQ(q->Answer, W(row.answer)) << row.line;
  }
}

// --- Hints ---

int Shown(const std::string& mask) {
  int shown = 0;
  for (char c : mask) shown += (c != '.' && c != ' ');
  return shown;
}

TEST(MakeHint, TenLettersRevealFirstThenFiveThenEightAndKeepThem) {
  const std::string answer = W("абвгдежзик");  // ten different letters
  bool sawFive = false;
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    Random random(seed);
    const std::string h1 = MakeHint(answer, "", 1, 4, random);
    EXPECT_EQ(h1, W("а........."));
    const std::string h2 = MakeHint(answer, h1, 2, 4, random);
    const std::string h3 = MakeHint(answer, h2, 3, 4, random);
    // n = 5 and 8: the first letter and n - 1 distinct drawn positions,
    // one of which may be the first letter again.
    EXPECT_GE(Shown(h2), 4);
    EXPECT_LE(Shown(h2), 5);
    sawFive = sawFive || Shown(h2) == 5;
    EXPECT_GE(Shown(h3), 7);
    EXPECT_LE(Shown(h3), 5 + 7);
    for (std::size_t i = 0; i < answer.size(); ++i) {
      if (h2[i] != '.') {
        EXPECT_EQ(h3[i], answer[i]) << "a letter of hint 2 is hidden again";
      }
      if (h3[i] != '.') {
        EXPECT_EQ(h3[i], answer[i]);
      }
    }
  }
  EXPECT_TRUE(sawFive);
}

TEST(MakeHint, ShortAnswersAndBlanks) {
  Random random(7);
  struct Row {
    const char* answer;
    int k;
    const char* previous;
    std::set<std::string> allowed;
  } rows[] = {
      {"я", 1, "", {W("я")}},
      {"я", 2, "я", {W("я")}},  // n = 1
      {"я", 3, "я", {W("я")}},
      {"ab", 1, "", {"a."}},
      {"ab", 2, "a.", {"a."}},        // n = (3*2*100 div 4) div 100 = 1
      {"ab", 3, "a.", {"a.", "ab"}},  // n = 2: one drawn position of two
      {"два слова", 1, "", {W("д.. .....")}},
  };
  for (const Row& row : rows) {
    for (int i = 0; i < 20; ++i) {
      const std::string hint = MakeHint(W(row.answer), W(row.previous), row.k, 4, random);
      EXPECT_TRUE(row.allowed.count(hint)) << row.answer << " k=" << row.k << " got "
                                           << Cp1251ToUtf8(hint);
    }
  }
}

// --- The top list ---

TEST(TopList, ExchangeSortIsNotStable) {
  // A swap with the higher score moves Ann behind Bob although both have 1.
  std::vector<TUser> players = {{"Ann", 1}, {"Bob", 1}, {"Cid", 2}, {"Dan", 0}, {"Eve", 1}};
  SortPlayers(players);
  std::vector<std::string> order;
  for (const TUser& user : players) order.push_back(user.Name);
  EXPECT_EQ(order, (std::vector<std::string>{"Cid", "Bob", "Ann", "Eve", "Dan"}));
}

TEST(TopList, CountBeyondTheRangeListsEverybody) {
  const std::vector<TUser> players = {{"A", 5}, {"B", 4}, {"C", 3}, {"D", 2}, {"E", 1}};
  const std::string all = "1: A - 5\r2: B - 4\r3: C - 3\r4: D - 2\r5: E - 1\r";
  const std::pair<long long, std::string> rows[] = {
      {3, "1: A - 5\r2: B - 4\r3: C - 3\r"}, {0, all}, {-2, all}, {9, all}, {5, all}};
  for (const auto& [count, text] : rows) EXPECT_EQ(TopListLines(players, count), text) << count;
  EXPECT_EQ(TopListLines({}, 3), "");
}

// --- The quiz in a bot ---

class QuizTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    games = InstallGames(f.services());
  }

  void Say(const std::string& text, const ChatPeer& who) {
    f.ReceiveLine(who, text, "Victorina");
  }
  void Command(const std::string& text) { Say("!" + text, ann); }
  // The texts said into the quiz channel since the last call.
  std::vector<std::string> Said() {
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.channel, "Victorina");
      texts.push_back(Cp1251ToUtf8(packet.text));
    }
    f.ClearSent();
    return texts;
  }
  void Advance(int seconds) { f.loop.Advance(std::chrono::seconds(seconds)); }
  Quiz& quiz() { return games->quiz; }

  BotFixture f;
  std::unique_ptr<Games> games;
  ChatPeer ann{W("Аня"), "PC1", Loopback(2)};
  ChatPeer bob{"Bob", "PC2", Loopback(3)};
};

TEST_F(QuizTest, WholeCycleWithHintsTimeOutAndNextQuestion) {
  f.dir.WriteFile("botfile/questions.txt", W("Столица Франции|Париж\r\n"));
  Command(W("старт"));
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "Внимание, загрузка вопросов, ждите...",
                        "Загрузка успешна закончена. Всего вопросов викторины: 1",
                        "Викторина запущена..."}));
  Advance(7);
  EXPECT_TRUE(Said().empty());
  Advance(1);
  EXPECT_EQ(Said(), std::vector<std::string>{"\r\rВОПРОС: Столица Франции"});
  const std::pair<int, std::string> steps[] = {
      {14, ""}, {1, "\rПОДСКАЗКА №1: \rП...."}, {24, ""}, {1, "hint 2"},
      {20, "hint 3"}, {24, ""}, {1, "\r\rНикто не угадал, \rОТВЕТ: Париж"}, {7, ""},
      {1, "\r\rВОПРОС: Столица Франции"}};
  for (const auto& [seconds, text] : steps) {
    Advance(seconds);
    std::vector<std::string> said = Said();
    if (text.empty()) {
      EXPECT_TRUE(said.empty()) << "after " << seconds;
    } else if (text.rfind("hint ", 0) == 0) {
      ASSERT_EQ(said.size(), 1u) << text;
      EXPECT_EQ(said[0].rfind("\rПОДСКАЗКА №" + text.substr(5) + ": \rП", 0), 0u) << said[0];
    } else {
      EXPECT_EQ(said, std::vector<std::string>{text});
    }
  }
  EXPECT_TRUE(quiz().QuestionActive());
}

TEST_F(QuizTest, RightAnswerInAnyCaseOrAsCommandScores) {
  f.dir.WriteFile("botfile/questions.txt", W("Столица Франции|Париж\r\n"));
  Command(W("старт"));
  Advance(8);
  Said();
  Say(W("  пАРИЖ "), bob);
  EXPECT_EQ(Said(), std::vector<std::string>{"\rУГАДАЛ: Bob, маладец!"});
  EXPECT_FALSE(quiz().QuestionActive());
  Say(W("Париж"), ann);  // too late: the cycle is over
  EXPECT_TRUE(Said().empty());
  Advance(8);
  Said();
  Say(W("!париж"), ann);
  EXPECT_EQ(Said(), std::vector<std::string>{"\rУГАДАЛ: Аня, маладец!"});
  Advance(8);
  Said();
  Say(W("Париж"), bob);
  Said();
  IniFile scores(f.dir.FilePath("botfile/topvictor.txt"));
  EXPECT_EQ(scores.ReadInteger("users", "Bob", 0), 2);
  EXPECT_EQ(scores.ReadInteger("users", W("Аня"), 0), 1);

  // Messages in another channel never reach the quiz.
  Advance(8);
  Said();
  f.ReceiveLine(bob, W("Париж"), "Main");
  EXPECT_TRUE(quiz().QuestionActive());
}

TEST_F(QuizTest, TopListInformationAndCommandsGoToTheRequester) {
  f.dir.WriteFile("botfile/topvictor.txt",
                  "[users]\r\nAnn=1\r\nBob=1\r\nCid=2\r\nDan=x\r\n");
  Command(W("лучшие 2"));
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].dstAddr, ann.address);
  EXPECT_EQ(sent[0].channel, "Victorina");
  EXPECT_EQ(Cp1251ToUtf8(sent[0].text), "\rЛУЧШИЕ ИГРОКИ:\r1: Cid - 2\r2: Bob - 1\r");
  f.ClearSent();
  Command(W("ЛУЧШИЕ все"));
  EXPECT_EQ(Said(), std::vector<std::string>{
                        "\rЛУЧШИЕ ИГРОКИ:\r1: Cid - 2\r2: Bob - 1\r3: Ann - 1\r4: Dan - 0\r"});
  Command(W("команды"));
  std::vector<std::string> said = Said();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("\rКоманды:\r!старт - запустить викторину", 0), 0u);
  Command(W("Информация"));
  said = Said();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].find("Всего загруженных"), std::string::npos);  // nothing loaded yet
  EXPECT_NE(said[0].find("На этом всё, спасибо за внимание!\r:)"), std::string::npos);
}

TEST_F(QuizTest, StartAndStopAnswerTheirState) {
  f.dir.WriteFile("botfile/questions.txt", "|\r\nno bar\r\n");
  Command(W("стоп"));
  EXPECT_EQ(Said(), std::vector<std::string>{"Викторина не запущена..."});
  Command(W("СТАРТ"));
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "Внимание, загрузка вопросов, ждите...",
                        "Ошибка! Вопросы викторины не загружены, обратитесь к администратору "
                        "викторины..."}));
  EXPECT_FALSE(quiz().QuizRunning());
  f.dir.WriteFile("botfile/questions.txt", "q|a\r\n");
  Command(W("Старт"));
  Said();
  Command(W("старт"));
  EXPECT_EQ(Said(), std::vector<std::string>{"Викторина уже запущена..."});
  EXPECT_EQ(f.loop.ActiveTimers(), 1u);  // one quiz timer, not two
  Command(W("стоп"));
  EXPECT_EQ(Said(), std::vector<std::string>{"Викторина остановлена."});
  EXPECT_FALSE(quiz().QuizRunning());
  EXPECT_TRUE(quiz().Questions().empty());
  EXPECT_EQ(quiz().QuestionCount(), 1u);
}

TEST_F(QuizTest, StopAndStartGoOnWithTheCycleAtTheSameIndex) {
  std::string many;
  for (int i = 0; i < 50; ++i) many += "q" + std::to_string(i) + "|answer" + std::to_string(i) + "\r\n";
  f.dir.WriteFile("botfile/questions.txt", many);
  Command(W("старт"));
  Advance(8 + 40);  // a question and two hints
  ASSERT_TRUE(quiz().QuestionActive());
  const std::size_t index = quiz().CurrentIndex();
  const std::string hint = quiz().CurrentHint();
  const std::string answer = "answer" + std::to_string(index);
  Command(W("стоп"));
  Said();
  EXPECT_TRUE(quiz().QuestionActive());
  EXPECT_EQ(quiz().CurrentHint(), hint);
  EXPECT_EQ(quiz().Elapsed(), 40000);

  // The same file: the third hint comes 20 s after the second, and it
  // keeps what the second one showed.
  Command(W("старт"));
  Said();
  Advance(19);
  EXPECT_TRUE(Said().empty());
  Advance(1);
  std::vector<std::string> said = Said();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("\rПОДСКАЗКА №3: \r", 0), 0u) << said[0];
  EXPECT_EQ(quiz().CurrentIndex(), index);
  for (std::size_t i = 0; i < hint.size(); ++i) {
    if (hint[i] != '.') {
      EXPECT_EQ(quiz().CurrentHint()[i], hint[i]) << i;
    }
  }
  Say(answer, bob);
  EXPECT_EQ(Said(), std::vector<std::string>{"\rУГАДАЛ: Bob, маладец!"});
}

TEST_F(QuizTest, RestartOverAShorterFileStartsAFreshCycle) {
  std::string many;
  for (int i = 0; i < 50; ++i) many += "q" + std::to_string(i) + "|a" + std::to_string(i) + "\r\n";
  f.dir.WriteFile("botfile/questions.txt", many);
  Command(W("старт"));
  Advance(8 + 40);  // a question and two hints
  ASSERT_TRUE(quiz().QuestionActive());
  ASSERT_FALSE(quiz().CurrentHint().empty());
  Command(W("стоп"));

  // One question fewer, whatever the index: it may hold another question.
  f.dir.WriteFile("botfile/questions.txt", many.substr(0, many.rfind("q49|")));
  Command(W("старт"));
  Said();
  EXPECT_FALSE(quiz().QuestionActive());
  EXPECT_TRUE(quiz().CurrentHint().empty());
  Advance(7);
  EXPECT_TRUE(Said().empty());
  Advance(1);
  std::vector<std::string> said = Said();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("\r\rВОПРОС: q", 0), 0u) << said[0];

  // Down to one question: the cycle starts afresh on it.
  Command(W("стоп"));
  f.dir.WriteFile("botfile/questions.txt", W("Один|ответ\r\n"));
  Command(W("старт"));
  Said();
  Advance(8);
  EXPECT_EQ(Said(), std::vector<std::string>{"\r\rВОПРОС: Один"});
  Advance(15);
  EXPECT_EQ(Said(), std::vector<std::string>{"\rПОДСКАЗКА №1: \rо...."});
}

TEST_F(QuizTest, AMissingOrUnreadableFileSaysTheQuestionsAreNotLoaded) {
  const std::vector<std::string> expected = {
      "Внимание, загрузка вопросов, ждите...",
      "Ошибка! Вопросы викторины не загружены, обратитесь к администратору викторины..."};
  std::remove(f.dir.FilePath("botfile/questions.txt").c_str());
  Command(W("старт"));
  EXPECT_EQ(Said(), expected);
  EXPECT_FALSE(quiz().QuizRunning());
  // The operator reads why, with the file's name.
  bool logged = false;
  for (const std::string& line : f.view.Texts()) {
    if (line.rfind(W("Викторина: вопросы не загружены: "), 0) == 0 &&
        line.find("questions.txt") != std::string::npos) {
      logged = true;
    }
  }
  EXPECT_TRUE(logged);

  // A folder in its place cannot be read either.
  ASSERT_TRUE(CreateDirectory(f.dir.FilePath("botfile/questions.txt")));
  Command(W("старт"));
  EXPECT_EQ(Said(), expected);
  EXPECT_FALSE(quiz().QuizRunning());
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);
}

TEST_F(QuizTest, NickTheScoreFileRefusesIsNotScored) {
  f.dir.WriteFile("botfile/topvictor.txt", "[users]\r\nBob=3\r\n");
  f.dir.WriteFile("botfile/questions.txt", "q|a\r\n");
  Command(W("старт"));
  Advance(8);
  Said();
  const ChatPeer odd{"[x]=5", "PC9", Loopback(9)};
  Say("a", odd);
  EXPECT_EQ(Said(), std::vector<std::string>{"\rУГАДАЛ: [x]=5, маладец!"});
  EXPECT_EQ(f.dir.ReadFile("botfile/topvictor.txt"), "[users]\r\nBob=3\r\n");
  bool logged = false;
  for (const std::string& line : f.view.Texts()) {
    if (line.find("[x]=5") != std::string::npos && line.find("topvictor") != std::string::npos) {
      logged = true;
    }
  }
  EXPECT_TRUE(logged);
}

TEST_F(QuizTest, BotStopStopsTheQuiz) {
  f.dir.WriteFile("botfile/questions.txt", "q|a\r\n");
  Command(W("старт"));
  ASSERT_TRUE(quiz().QuizRunning());
  for (const auto& hook : f.parts().on.life.stopped) hook();
  EXPECT_FALSE(quiz().QuizRunning());
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);
}

}  // namespace
}  // namespace pelmo
