#include "services/offline_messages.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

class OfflineMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallOfflineMessages(f.services(), messages);
    f.PrepareOffline();
    f.ClearSent();
  }

  BotParts& parts() { return f.parts(); }
  std::string BoxFile(const std::string& nick) { return "user/" + BoxFileName(nick); }
  std::string ReadBoxText(const std::string& nick, const std::string& password) {
    OfflineMessages::Box box = messages.ReadBox(nick, password);
    EXPECT_EQ(box.state, OfflineMessages::BoxState::kOk) << nick;
    return box.text;
  }
  // The texts sent since the last look, as lines of a kind.
  std::vector<std::string> Said(std::uint8_t kind) {
    std::vector<std::string> texts;
    for (const SentPacket& packet : f.SentOfType(kPacketChatLine)) {
      if (packet.kind != kind) continue;
      texts.push_back(packet.text);
      if (kind == kKindPassword) {
        EXPECT_EQ(packet.channel, "Secret");
        EXPECT_EQ(packet.password, password);
      }
    }
    f.ClearSent();
    return texts;
  }
  // A command typed in the password channel; true when it was one (its
  // note is written).
  bool Command(const std::string& nick, const std::string& command) {
    f.view.Clear();
    f.ReceivePasswordLine({nick, "PC1", kUser, 0}, "!" + command, "Secret", password);
    for (const std::string& line : f.view.Texts()) {
      if (line.rfind(nick + W(" (PC1) команда"), 0) == 0) return true;
    }
    return false;
  }
  std::vector<std::string> InChannel() { return Said(kKindPassword); }

  BotFixture f;
  OfflineMessages messages{parts().folder, parts().replies, f.clock, f.loop};
  const std::uint32_t kUser = Loopback(2);
  std::string password = "pw";
  const std::string kGreeting = W("Спасибо за регистрацию в нашей системе!");
  const std::string kWrong = W("Неверный пароль или имя пользователя.");
  const std::string kNotRegistered = W("Такой пользователь не зарегестрирован в системе.");
};

TEST(BoxFileName, UpperCaseHexOfTheNickBytes) {
  EXPECT_EQ(BoxFileName("Ab"), "4162");
  EXPECT_EQ(BoxFileName(W("Вася")), "C2E0F1FF");
  EXPECT_EQ(BoxFileName(std::string("\x00\xFF/", 3)), "00FF2F");
}

TEST(BoxMask, MaskingTwiceRestoresAndTheStreamIsFixed) {
  std::string text = W("Спасибо за регистрацию в нашей системе!");
  std::string masked = text;
  MaskBox(masked, masked.size());
  EXPECT_NE(masked, text);
  std::string again = text;
  MaskBox(again, again.size());
  EXPECT_EQ(again, masked);  // the same stream every pass
  MaskBox(masked, masked.size());
  EXPECT_EQ(masked, text);
  // The stream is the generator's draws below 255 from the fixed seed.
  Random reference(kBoxMaskSeed);
  std::string zeros(3, '\0');
  MaskBox(zeros, 3);
  for (char c : zeros) EXPECT_EQ(static_cast<unsigned char>(c), reference.Next(255));
}

TEST_F(OfflineMessagesTest, RegistrationNewExistingAndEmpty) {
  messages.RegisterSubscriber("Ab", "z", kUser);
  const std::string file = f.dir.ReadFile(BoxFile("Ab"));
  ASSERT_EQ(file.size(), 39u + 4u);
  EXPECT_EQ(file.substr(39), std::string("z\0\0\0", 4));
  EXPECT_EQ(ReadBoxText("Ab", "z"), kGreeting);
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[0].text, W("Ab Зарегистрирован в системе отложенных сообщений."));
  f.ClearSent();

  // A second registration of the nick is refused: password and mail stay.
  messages.WriteBox("Ab", "z", kGreeting + "\n\rmail");
  messages.RegisterSubscriber("Ab", "other", kUser);
  EXPECT_EQ(ReadBoxText("Ab", "z"), kGreeting + "\n\rmail");
  EXPECT_EQ(messages.ReadBox("Ab", "other").state, OfflineMessages::BoxState::kWrongPassword);
  EXPECT_EQ(Said(kKindLine),
            std::vector<std::string>{W("Ab уже зарегистрирован в системе отложенных сообщений.")});

  messages.RegisterSubscriber("Cd", "", kUser);
  messages.RegisterSubscriber("", "pw", kUser);
  EXPECT_EQ(f.dir.List("user"), (std::vector<std::string>{"4162", "seen.txt"}));
  EXPECT_TRUE(Said(kKindLine).empty());
}

TEST_F(OfflineMessagesTest, ReadEmptyAndChangePassword) {
  messages.WriteBox("Ann", password, kGreeting);

  EXPECT_TRUE(Command("Ann", "r"));
  EXPECT_EQ(InChannel(), std::vector<std::string>{kGreeting});

  password = "bad";
  EXPECT_TRUE(Command("Ann", "r"));
  EXPECT_EQ(InChannel(), std::vector<std::string>{kWrong});
  EXPECT_TRUE(Command("Ann", "d"));
  EXPECT_TRUE(Command("Ann", "cnew"));
  EXPECT_TRUE(InChannel().empty());
  password = "pw";
  EXPECT_EQ(ReadBoxText("Ann", "pw"), kGreeting);

  EXPECT_TRUE(Command("Ann", "d"));
  EXPECT_TRUE(InChannel().empty());
  EXPECT_EQ(ReadBoxText("Ann", "pw"), " ");

  EXPECT_TRUE(Command("Ann", "c new"));  // the character after "c" is skipped
  EXPECT_EQ(InChannel(), std::vector<std::string>{W("Ваш пароль успешно сменен")});
  EXPECT_EQ(ReadBoxText("Ann", "new"), " ");
  EXPECT_EQ(messages.ReadBox("Ann", "pw").state, OfflineMessages::BoxState::kWrongPassword);

  EXPECT_FALSE(Command("Ann", "x"));
  EXPECT_FALSE(Command("Ann", "R"));
  EXPECT_FALSE(Command("Ann", "rr"));
}

TEST_F(OfflineMessagesTest, AMissingBoxIsNotRegisteredAndNeverCreated) {
  EXPECT_TRUE(Command("Ghost", "r"));
  EXPECT_EQ(InChannel(), std::vector<std::string>{kNotRegistered});
  EXPECT_TRUE(Command("Ghost", "d"));
  EXPECT_TRUE(Command("Ghost", "cnew"));
  EXPECT_TRUE(InChannel().empty());
  EXPECT_FALSE(f.dir.Exists(BoxFile("Ghost")));
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "");
}

TEST_F(OfflineMessagesTest, ShortBoxFilesReadAsAWrongPasswordAndStayAsTheyAre) {
  messages.WriteBox("Ann", password, kGreeting);
  ASSERT_TRUE(Command("Ann", "nick Bob"));
  for (std::size_t size = 0; size <= 3; ++size) {
    SCOPED_TRACE(size);
    const std::string bytes(size, '\0');  // a sum of 0 would match an empty password
    f.dir.WriteFile(BoxFile("Bob"), bytes);
    InChannel();
    EXPECT_EQ(messages.ReadBox("Bob", "").state, OfflineMessages::BoxState::kWrongPassword);
    password = "";
    EXPECT_TRUE(Command("Bob", "r"));
    EXPECT_TRUE(Command("Bob", "d"));
    EXPECT_TRUE(Command("Bob", "cx"));
    EXPECT_EQ(InChannel(), std::vector<std::string>{kWrong});
    password = "pw";
    messages.DeliverLine("Ann", "hello", "Secret", password);
    EXPECT_EQ(InChannel(), std::vector<std::string>{kNotRegistered});
    EXPECT_EQ(f.dir.ReadFile(BoxFile("Bob")), bytes);
  }
  // A box of exactly the sum is an empty text.
  messages.WriteBox("Bob", "", "");
  EXPECT_EQ(f.dir.ReadFile(BoxFile("Bob")).size(), 4u);
  EXPECT_EQ(ReadBoxText("Bob", ""), "");
}

TEST_F(OfflineMessagesTest, DeliveryAppendsARecordAndClearsTheReadMark) {
  messages.WriteBox("Ann", "pw", kGreeting);
  messages.WriteBox("Bob", "bobpw", kGreeting);
  f.dir.WriteFile("user/seen.txt", "Carl\r\nBob\nDan\r\n");

  messages.DeliverLine("Ann", "hi", "Secret", password);  // no respondent yet
  EXPECT_TRUE(InChannel().empty());

  ASSERT_TRUE(Command("Ann", "nick Bob"));
  EXPECT_EQ(InChannel(), std::vector<std::string>{W("Ник респондента задан.")});
  const std::string longLine(300, 'x');  // a line is stored whole
  messages.DeliverLine("Ann", longLine, "Secret", password);
  EXPECT_EQ(InChannel(), std::vector<std::string>{W("Ваше сообщение успешно доставлено.")});
  // The fake clock stands at 6 December 2026 18:05:07.
  EXPECT_EQ(ReadBoxText("Bob", "bobpw"),
            kGreeting + W("\n\r6 декабря 2026 г.18:5:7 From Ann: ") + longLine);
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "Carl\r\nDan\r\n");

  password = "wrong";  // the sender's own password opens nothing
  messages.DeliverLine("Ann", "again", "Secret", password);
  EXPECT_TRUE(InChannel().empty());
  EXPECT_EQ(ReadBoxText("Bob", "bobpw").find("again"), std::string::npos);

  password = "pw";
  ASSERT_TRUE(Command("Ann", "nick Nobody"));
  InChannel();
  messages.DeliverLine("Ann", "hi", "Secret", password);
  EXPECT_EQ(InChannel(), std::vector<std::string>{kNotRegistered});
  EXPECT_FALSE(f.dir.Exists(BoxFile("Nobody")));
}

// Each delivery rewrites a box and is confirmed: a flood of lines into
// somebody's box stops with the flood guard. Talk in the channel without a
// respondent is not counted.
TEST_F(OfflineMessagesTest, DeliveriesCountWithTheFloodGuard) {
  parts().interpreter.Guard().Configure({true, 3, 10, 60});
  messages.WriteBox("Ann", "pw", kGreeting);
  messages.WriteBox("Bob", "bobpw", kGreeting);
  const ChatPeer ann{"Ann", "PC1", kUser, 0};
  for (int i = 0; i < 5; ++i) f.ReceivePasswordLine(ann, "chat", "Secret", password);
  messages.SetRespondent("Ann", "Secret", password, "nick Bob");
  InChannel();
  for (int i = 0; i < 5; ++i) {
    f.ReceivePasswordLine(ann, "line" + std::to_string(i), "Secret", password);
  }
  EXPECT_EQ(InChannel().size(), 3u);
  const std::string box = ReadBoxText("Bob", "bobpw");
  EXPECT_NE(box.find("line2"), std::string::npos);
  EXPECT_EQ(box.find("line3"), std::string::npos);
}

TEST_F(OfflineMessagesTest, ReadListGrowsOnlyOnASuccessfulRead) {
  messages.WriteBox("Ann", "pw", kGreeting);
  password = "bad";
  Command("Ann", "r");
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "");
  password = "pw";
  Command("Ann", "r");
  Command("Ann", "r");
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "Ann\r\n");
}

TEST_F(OfflineMessagesTest, ReadListIsNeverShortened) {
  messages.WriteBox("Ann", "pw", kGreeting);
  messages.WriteBox("Bob", "pw", kGreeting);
  std::string list;
  for (int i = 0; i < 12000; ++i) list += "user" + std::to_string(i) + "\r\n";
  f.dir.WriteFile("user/seen.txt", list);
  Command("Ann", "r");
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), list + "Ann\r\n");
  Command("Ann", "nick Ann");
  messages.DeliverLine("Ann", "to myself", "Secret", password);
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), list);
}

TEST_F(OfflineMessagesTest, ALongBoxIsShownInPiecesOf255) {
  const std::string text = kGreeting + std::string(600, 'y');
  messages.WriteBox("Ann", password, text);
  Command("Ann", "r");
  std::vector<std::string> pieces = InChannel();
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 255u);
  EXPECT_EQ(pieces[1].size(), 255u);
  EXPECT_EQ(pieces[0] + pieces[1] + pieces[2], text);
}

TEST_F(OfflineMessagesTest, ANickTooLongForABoxFileIsRefusedWithAReply) {
  // Two hex digits a byte: 101 bytes would make a name (with the rewrite's
  // temporary name beside it) past the 255 bytes a file name may have.
  const std::string longest(100, 'n');
  const std::string tooLong(101, 'n');
  messages.RegisterSubscriber(tooLong, "pw", kUser);
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Ник длиннее 100 знаков не зарегистрировать в системе отложенных "
                            "сообщений."));
  EXPECT_EQ(sent[0].dstAddr, kUser);
  f.ClearSent();
  messages.RegisterSubscriber(longest, "pw", kUser);
  EXPECT_EQ(Said(kKindLine),
            std::vector<std::string>{longest + W(" Зарегистрирован в системе отложенных сообщений.")});
  EXPECT_EQ(ReadBoxText(longest, "pw"), kGreeting);
  EXPECT_EQ(f.dir.List("user"), (std::vector<std::string>{BoxFileName(longest), "seen.txt"}));
}

TEST_F(OfflineMessagesTest, ALargeBoxShowsItsNewestPartAFewPiecesAtATime) {
  using namespace std::chrono_literals;
  // About 235 KB of delivered messages, each numbered.
  std::string text = kGreeting;
  for (int i = 0; text.size() < 235 * 1024; ++i) {
    text += W("\n\r6 декабря 2026 г.18:5:7 From Bob: message ") + std::to_string(i) + " " +
            std::string(300, 'x');
  }
  messages.WriteBox("Ann", password, text);
  Command("Ann", "r");
  // The notice and three pieces at once; the reader is marked at once.
  std::vector<std::string> pieces = InChannel();
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0], W("Показаны последние сообщения; более старые хранятся в ящике. "
                         "Очистить ящик: !d"));
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "Ann\r\n");
  // Then one piece every 50 ms.
  f.loop.Advance(49ms);
  EXPECT_TRUE(InChannel().empty());
  f.loop.Advance(1ms);
  std::vector<std::string> next = InChannel();
  ASSERT_EQ(next.size(), 1u);
  pieces.push_back(next[0]);
  f.loop.Advance(10s);
  for (std::string& piece : InChannel()) pieces.push_back(std::move(piece));
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);

  std::string shown;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    EXPECT_LE(pieces[i].size(), 255u);
    shown += pieces[i];
  }
  // The newest 16 KB or less, from the start of a message to the box's end.
  EXPECT_LE(shown.size(), 16u * 1024u);
  EXPECT_GT(shown.size(), 16u * 1024u - 400u);
  EXPECT_EQ(shown.rfind("\n\r", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - shown.size()), shown);
  EXPECT_LE(pieces.size(), 1u + (16u * 1024u + 254u) / 255u);
  // The box itself keeps everything.
  EXPECT_EQ(ReadBoxText("Ann", password), text);
}

TEST_F(OfflineMessagesTest, PiecesNotSentYetAreDroppedWhenTheBotStops) {
  using namespace std::chrono_literals;
  messages.WriteBox("Ann", password, kGreeting + std::string(3000, 'y'));
  Command("Ann", "r");
  EXPECT_EQ(InChannel().size(), 4u);
  EXPECT_GT(messages.PiecesWaiting(), 0u);
  for (const auto& stopped : parts().on.life.stopped) stopped();
  f.loop.Advance(10s);
  EXPECT_TRUE(InChannel().empty());
  EXPECT_EQ(f.loop.ActiveTimers(), 0u);
}

TEST_F(OfflineMessagesTest, RespondentTable) {
  struct Step {
    const char* nick;
    const char* command;
  };
  for (Step step : {Step{"A", "nick X"}, Step{"B", "nick Y"}, Step{"C", "nick Z"},
                    Step{"B", "nick W"}, Step{"A", "stop"}, Step{"Q", "stop"}}) {
    Command(step.nick, step.command);
  }
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(messages.Respondents(), (Pairs{{"C", "Z"}, {"B", "W"}}));
  EXPECT_EQ(InChannel().back(), W("Респондент обнулен"));  // also with no entry

  for (int i = 0; i < 98; ++i) Command("n" + std::to_string(i), "nick R");
  EXPECT_EQ(messages.Respondents().size(), 100u);
  InChannel();
  Command("late", "nick R");
  EXPECT_EQ(InChannel(),
            std::vector<std::string>{W("Список респондентов полон, попробуйте позже.")});
  EXPECT_EQ(messages.Respondents().size(), 100u);
  Command("C", "nick V");  // a nick already in the table may still change his
  EXPECT_EQ(messages.Respondents()[0], (std::pair<std::string, std::string>{"C", "V"}));
}

TEST_F(OfflineMessagesTest, UnreadNoticeUntilRead) {
  messages.NotifyUnread("Ann", kUser);
  EXPECT_TRUE(Said(kKindLine).empty());  // no box
  messages.WriteBox("Ann", "pw", kGreeting);
  std::remove(f.dir.FilePath("user/seen.txt").c_str());  // a missing list is empty
  messages.NotifyUnread("Ann", kUser);
  std::vector<SentPacket> sent = f.SentOfType(kPacketChatLine);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[0].text, W("Ann%cf%, Есть непрочитанные личные сообщения для Вас.\r"
                            "Для просмотра войдите под своим паролем!"));
  f.ClearSent();
  Command("Ann", "r");
  InChannel();
  messages.NotifyUnread("Ann", kUser);
  EXPECT_TRUE(Said(kKindLine).empty());
}

}  // namespace
}  // namespace pelmo
