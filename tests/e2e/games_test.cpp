// The games of the real pelmobot on loopback, played by one participant
// (Tester on TESTPC at 127.0.0.2); a second socket on the broadcast address
// hears what the bot says to everybody.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/ini_file.h"
#include "games/birthday_table.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

class GamesEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    ASSERT_TRUE(peer.Bind(kPeerAddress, port));
    ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
  }

  void StartBot(bool birthdays = false) {
    std::string netIni = LoopbackNetIni(port, {"StartMessage=0"});
    // The first key of a name wins: the option is switched where it stands.
    if (birthdays) netIni.replace(netIni.find("BirthDay=0"), 10, "BirthDay=1");
    dir.WriteFile("Net.ini", netIni);
    bot = std::make_unique<ChildProcess>(kPelmobotProgram,
                                         std::vector<std::string>{"--dir", dir.Path()});
    ASSERT_TRUE(bot->WaitForOutPart("Started.", 5s));
  }

  void TearDown() override {
    if (!bot) return;
    bot->Signal(SIGTERM);
    EXPECT_TRUE(bot->Wait(5s));
  }

  void Say(const std::string& text, const std::string& channel = "Main") {
    ASSERT_TRUE(peer.SendPacket(kBotAddress, port, kPacketChatLine,
                                ChatLinePayload(0, channel, W(text))));
  }

  // The next chat line heard on the socket whose text begins with start
  // (UTF-8), passing over the others, within timeout.
  std::string Output() {
    std::string text;
    for (const std::string& line : bot->OutLines()) text += line + "\n";
    return text;
  }

  static std::optional<HeardLine> Hear(UdpPeer& socket, const std::string& start,
                                  std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string wanted = W(start);
    while (std::chrono::steady_clock::now() < deadline) {
      std::optional<PeerPacket> packet = socket.ReceivePacketOfType(kPacketChatLine, 500ms);
      if (!packet) continue;
      std::optional<HeardLine> line = ParseHeardLine(*packet);
      if (line && line->text.rfind(wanted, 0) == 0) return line;
    }
    return std::nullopt;
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer peer;
  UdpPeer everybody;
  std::unique_ptr<ChildProcess> bot;
};

// The vote runs its minute while a quiz question is asked and answered.
TEST_F(GamesEndToEnd, VoteWithItsResultAndAQuizQuestionAnsweredRight) {
  dir.WriteFile("botfile/questions.txt", W("Столица Франции|Париж\r\n"));
  StartBot();

  Say("!vote Куда пойдём? <кино,театр>");
  std::optional<HeardLine> announced = Hear(everybody, "\r\nПользователь Tester спрашивает: ");
  ASSERT_TRUE(announced);
  EXPECT_NE(announced->text.find(W("\r\n\t!!2 = театр .")), std::string::npos);
  Say("!!2");
  ASSERT_TRUE(Hear(everybody, "Tester, спасибо за Ваш ответ!"));

  Say("!старт", "Victorina");
  std::optional<HeardLine> loaded = Hear(everybody, "Загрузка успешна закончена.");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->channel, "Victorina");
  std::optional<HeardLine> question = Hear(everybody, "\r\rВОПРОС: ", 12s);
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, W("\r\rВОПРОС: Столица Франции"));
  EXPECT_EQ(question->channel, "Victorina");
  Say(" париж ", "Victorina");
  std::optional<HeardLine> won = Hear(everybody, "\rУГАДАЛ: ");
  ASSERT_TRUE(won);
  EXPECT_EQ(won->text, W("\rУГАДАЛ: Tester, маладец!"));
  Say("!лучшие", "Victorina");
  std::optional<HeardLine> top = Hear(peer, "\rЛУЧШИЕ ИГРОКИ:\r");
  ASSERT_TRUE(top);
  EXPECT_EQ(top->text, W("\rЛУЧШИЕ ИГРОКИ:\r1: Tester - 1\r"));
  EXPECT_EQ(IniFile(dir.FilePath("botfile/topvictor.txt")).ReadInteger("users", "Tester", 0), 1);
  Say("!стоп", "Victorina");
  ASSERT_TRUE(Hear(everybody, "Викторина остановлена."));

  std::optional<HeardLine> result = Hear(everybody, "\r\n------------------------\r\n", 70s);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->text,
            W("\r\n------------------------\r\nГолосование завершено. Результаты:\r\n"
              "проголосовало: 1 человек.\r\n\r\nОтвет 'театр' дал 1 человек\r\n"
              "------------------------\r\nИ так, на заданный вопрос большинство ответило "
              "'театр'."));
}

// Without a questions file the quiz says it has none to the channel, and
// the log says why.
TEST_F(GamesEndToEnd, AQuizWithoutItsFileSaysSo) {
  StartBot();
  Say("!старт", "Victorina");
  ASSERT_TRUE(Hear(everybody, "Внимание, загрузка вопросов, ждите..."));
  std::optional<HeardLine> error =
      Hear(everybody, "Ошибка! Вопросы викторины не загружены, обратитесь к администратору "
                      "викторины...");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->channel, "Victorina");
  EXPECT_TRUE(bot->WaitForOutPart("Викторина: вопросы не загружены: ", 5s)) << Output();
  EXPECT_TRUE(bot->WaitForOutPart("questions.txt", 5s)) << Output();
}

TEST_F(GamesEndToEnd, ChatterboxAnswers) {
  dir.WriteFile("botfile/boltun.txt", W("привет^Здравствуй!\r\nпока^До встречи\r\n"));
  StartBot();
  ASSERT_TRUE(bot->WaitForOutPart("Загружено 2 фраз в базу болтуна.", 1s));
  Say("  ПрИвЕт ", "Other");
  std::optional<HeardLine> answer = Hear(everybody, "Здравствуй!");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->text, W("Здравствуй!"));
  EXPECT_EQ(answer->channel, "Main");
}

TEST_F(GamesEndToEnd, BirthdayNoticeAtStartAndOnJoin) {
  const DateTimeParts today = DecodeDateTime(SystemClock().Now());
  BirthdayTable table;
  table.Add(BirthdayEntry{W("Ян"), W("Отдел"), today.day, today.month, 1990});
  dir.WriteFile("botfile/BirthDay.dat", "");
  table.Save(dir.FilePath("botfile/BirthDay.dat"));
  StartBot(/*birthdays=*/true);
  const std::string notice = "\r\n" + std::string(64, ' ') +
                             "(^)   День Рождения   (^)\r\nСегодня родился:\r- Ян [Отдел]\r";

  std::optional<HeardLine> atStart = Hear(everybody, notice);
  ASSERT_TRUE(atStart);
  ASSERT_TRUE(peer.SendPacket(kBotAddress, port, kPacketJoin, {3, 0}));
  std::optional<HeardLine> toMe = Hear(peer, notice);
  ASSERT_TRUE(toMe) << Output();
  EXPECT_EQ(toMe->channel, "Main");
  EXPECT_EQ(toMe->text.rfind(W("Завтра родится:\r")), toMe->text.size() - 16);
}

}  // namespace
}  // namespace pelmo
