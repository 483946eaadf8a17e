#include "games/vote.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "games/install_games.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Utf8(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  for (const std::string& text : texts) out.push_back(Cp1251ToUtf8(text));
  return out;
}

TEST(ParseVoteCommand, QuestionAndAnswers) {
  struct Row {
    const char* command;
    const char* question;  // nullptr: no vote
    std::vector<std::string> answers;
  } rows[] = {
      {"vote Пойдём в кино?", "Пойдём в кино?", {"да", "нет"}},
      {"  VOTE   Пойдём? ", "Пойдём?", {"да", "нет"}},
      {"vote Куда? <кино>", "Куда?", {"да", "нет"}},
      {"vote Куда? <кино, театр,,парк>", "Куда?", {"кино", " театр", "парк"}},
      {"vote Куда? <кино,театр> хвост", "Куда?", {"кино", "театр"}},
      {"vote Куда? <кино, театр", nullptr, {}},
      {"vote <a,b>", nullptr, {}},
      {"vote", nullptr, {}},
      {"voting Куда?", nullptr, {}},
      {"голосуем Куда?", nullptr, {}},
  };
  for (const Row& row : rows) {
    std::optional<VoteQuestion> vote = ParseVoteCommand(W(row.command));
    ASSERT_EQ(vote.has_value(), row.question != nullptr) << row.command;
    if (!vote) continue;
    EXPECT_EQ(Cp1251ToUtf8(vote->question), row.question) << row.command;
    EXPECT_EQ(Utf8(vote->answers), row.answers) << row.command;
  }
}

TEST(ParseVoteCommand, LongAnswersAreCutAndCounted) {
  std::string list;
  for (int i = 0; i < 150; ++i) list += std::string(300, 'a' + i % 26) + ",";
  std::optional<VoteQuestion> vote = ParseVoteCommand("vote q <" + list + ">");
  ASSERT_TRUE(vote);
  ASSERT_EQ(vote->answers.size(), kMaxAnswers);
  for (const std::string& answer : vote->answers) EXPECT_EQ(answer.size(), kAnswerWidth);
  EXPECT_EQ(vote->answers[99][0], 'a' + 99 % 26);
}

TEST(VoteAnnouncement, NumbersTheAnswers) {
  VoteQuestion vote{W("Куда?"), {W("кино"), W(" парк")}};
  EXPECT_EQ(Cp1251ToUtf8(VoteAnnouncement("Bob", vote)),
            "\r\nПользователь Bob спрашивает: \r\nКуда?\r\nи предлагает следующие варианты "
            "ответов: \r\n\t!!1 = кино\r\n\t!!2 =  парк .\r\n\rГолосование длится 60 секунд.");
}

std::vector<TVoteInfo> Counted(const std::vector<int>& counts) {
  std::vector<TVoteInfo> votes;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    TVoteInfo info{std::string(1, static_cast<char>('A' + i)), {}};
    for (int v = 0; v < counts[i]; ++v) info.Voters.push_back("n" + std::to_string(v));
    votes.push_back(info);
  }
  return votes;
}

TEST(VoteResult, Texts) {
  const std::string head = "\r\n------------------------\r\nГолосование завершено.";
  const std::string line = "------------------------\r\nИ так, ";
  const std::string split =
      line + "мнения разделились, обсуждайте тему дальше и повторите голосование. На этом пока всё...";
  const std::pair<std::vector<int>, std::string> rows[] = {
      {{0, 0}, head + " Полный провал! Активней граждане, активнее!"},
      {{1, 0}, head + " Результаты:\r\nпроголосовало: 1 человек.\r\n\r\nОтвет 'A' дал 1 человек\r\n" +
                   line + "на заданный вопрос большинство ответило 'A'."},
      {{3, 3, 1}, head + " Результаты:\r\nпроголосовало: 7 человек.\r\n\r\nОтвет 'A' дали 3 человека"
                         "\r\nОтвет 'B' дали 3 человека\r\nОтвет 'C' дал 1 человек\r\n" + split},
      {{2, 2, 5}, head + " Результаты:\r\nпроголосовало: 9 человек.\r\n\r\nОтвет 'A' дали 2 человека"
                         "\r\nОтвет 'B' дали 2 человека\r\nОтвет 'C' дали 5 человек\r\n" +
                      line + "на заданный вопрос большинство ответило 'C'."},
      {{0, 21, 51}, head + " Результаты:\r\nпроголосовало: 72 человека.\r\n\r\nОтвет 'B' дали 21 человек"
                           "\r\nОтвет 'C' дали 51 человек\r\n" +
                        line + "на заданный вопрос большинство ответило 'C'."},
      {{4, 0, 0}, head + " Результаты:\r\nпроголосовало: 4 человека.\r\n\r\nОтвет 'A' дали 4 человека\r\n" +
                      line + "на заданный вопрос большинство ответило 'A'."},
  };
  for (const auto& [counts, text] : rows) {
    EXPECT_EQ(Cp1251ToUtf8(VoteResult(Counted(counts))), text) << counts.size();
  }
}

class VoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    games = InstallGames(f.services());
  }
  void Say(const ChatPeer& who, const std::string& text, const std::string& channel = "Main") {
    f.ReceiveLine(who, W(text), channel);
  }
  std::vector<std::string> Said() {
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      EXPECT_EQ(packet.dstAddr, kLoopbackBroadcast);
      EXPECT_EQ(packet.channel, "Main");
      texts.push_back(Cp1251ToUtf8(packet.text));
    }
    f.ClearSent();
    return texts;
  }
  Vote& vote() { return games->vote; }

  BotFixture f;
  std::unique_ptr<Games> games;
  ChatPeer ann{"Ann", "PC1", Loopback(2)};
  ChatPeer bob{"Bob", "PC2", Loopback(3)};
  ChatPeer bobLower{"bob", "PC3", Loopback(4)};
};

TEST_F(VoteTest, CountsOnceEachNickAndPublishesAfterAMinute) {
  Say(ann, "!vote Куда? <кино,театр,парк>", "Other");
  ASSERT_EQ(Said().size(), 1u);
  ASSERT_TRUE(vote().Running());
  Say(bob, "!vote Второй?");  // one vote at a time
  EXPECT_TRUE(Said().empty());

  const std::pair<std::pair<const ChatPeer*, const char*>, const char*> steps[] = {
      {{&bob, "!!0"}, nullptr},
      {{&bob, "!!4"}, nullptr},
      {{&bob, "!!x"}, nullptr},
      {{&bob, "!!99999999999999999999"}, nullptr},
      {{&bob, " !!2 спасибо "}, "Bob, спасибо за Ваш ответ!"},
      {{&bob, "!!2"}, "Не мухлюйте. Ваш голос уже учтён."},
      {{&bob, "!!3"}, "Не мухлюйте. Ваш голос уже учтён."},
      {{&bobLower, "!!3"}, "bob, спасибо за Ваш ответ!"},
      {{&ann, "!!2"}, "Ann, спасибо за Ваш ответ!"},
  };
  for (const auto& [who, expected] : steps) {
    Say(*who.first, who.second);
    std::vector<std::string> said = Said();
    if (expected == nullptr) {
      EXPECT_TRUE(said.empty()) << who.second;
    } else {
      EXPECT_EQ(said, std::vector<std::string>{expected}) << who.second;
    }
  }
  f.loop.Advance(59999ms);
  EXPECT_TRUE(Said().empty());
  f.loop.Advance(1ms);
  EXPECT_EQ(Said(), std::vector<std::string>{
                        "\r\n------------------------\r\nГолосование завершено. Результаты:\r\n"
                        "проголосовало: 3 человека.\r\n\r\nОтвет 'театр' дали 2 человека\r\n"
                        "Ответ 'парк' дал 1 человек\r\n------------------------\r\nИ так, на "
                        "заданный вопрос большинство ответило 'театр'."});
  EXPECT_FALSE(vote().Running());
  Say(ann, "!!1");  // no vote runs
  EXPECT_TRUE(Said().empty());
  Say(bob, "!vote Ещё?");
  EXPECT_EQ(Said().size(), 1u);
  EXPECT_EQ(vote().Votes().size(), 2u);
}

TEST_F(VoteTest, ProgramEndCancelsTheTimer) {
  Say(ann, "!vote Куда?");
  ASSERT_EQ(f.loop.ActiveTimers(), 1u);
  for (const auto& hook : f.parts().on.life.closing) hook();
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);
  EXPECT_FALSE(vote().Running());
  Say(ann, "!vote Снова?");
  ASSERT_EQ(f.loop.ActiveTimers(), 1u);
  games.reset();
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);
}

}  // namespace
}  // namespace pelmo
