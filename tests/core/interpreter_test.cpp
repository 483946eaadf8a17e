#include "core/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "core/reactions.h"
#include "games/chatterbox.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

// The interpreter with the real services installed; recorders subscribed
// before them at the steps of the line and at the places of the commands
// this test follows note what they are handed. A recorder at the external
// commands' place ends the walk there, as a row does.
class InterpreterTest : public ::testing::Test {
 protected:
  std::string LogFile() {
    EXPECT_TRUE(parts().log.FlushFile());
    return f.dir.ReadFile("botfile/log.txt");
  }
  void SetUp() override {
    Subscriptions& on = parts().on;
    on.seen.Add(SeenStep::RecordSeen,
                [this](const ChatEvent& e) { calls.push_back("seen " + e.nick); });
    on.line.Add(LineStep::QuizAnswer, [this](const ChatEvent& e) {
      if (e.channel == parts().settings.NameChanVicE) calls.push_back("quiz " + e.text);
    });
    on.line.Add(LineStep::VoteAnswer,
                [this](const ChatEvent& e) { calls.push_back("vote " + e.text); });
    on.line.Add(LineStep::Chatterbox, [this](const ChatEvent& e) {
      if (parts().settings.BoltunCB) calls.push_back("boltun " + e.text);
    });
    on.passwordLine.Add(PasswordLineStep::DeliverLine, [this](const ChatEvent& e) {
      if (!IsCommandLine(e.text)) calls.push_back("deliver " + e.text + "|" + e.channel + "|" + e.password);
    });
    const auto record = [this](CommandPlace place, const char* name,
                               const std::string* channel = nullptr) {
      parts().interpreter.Table().Add(CommandRow{
          .place = place,
          .accepts = AnyCommandText,
          .channel = channel,
          .handler = [this, name](CommandContext& command) {
            if (std::string(name) == "external") externalAddress = command.event.address;
            calls.push_back(std::string(name) + " " + command.command);
          },
      });
    };
    record(CommandPlace::PrivateBox, "box");
    record(CommandPlace::VoteStart, "votecmd");
    record(CommandPlace::QuizStart, "quizstart", &parts().settings.NameChanVicE);
    record(CommandPlace::QuizAnswer, "quiz", &parts().settings.NameChanVicE);
    record(CommandPlace::ExternalCommand, "external");

    services = InstallServices(f.services());
    InstallChatterbox(f.services(), chatterbox);
    f.PrepareOffline();
    f.clock.SetNow(DateTimeParts{2026, 12, 6, 18, 5, 7, 0});
    for (const char* name : {"ban.txt", "log.txt", "weather.txt", "welcom.txt", "vhod.txt"}) {
      f.dir.WriteFile(std::string("botfile/") + name, "");
    }
    f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\n");
    f.dir.WriteFile("botfile/boltun.txt", W("привет бот^И тебе привет\r\nЁж ab^Ёжик\r\n"));
    for (const auto& load : parts().on.life.loadLists) load();
    parts().settings.ADMvle = {{"Boss", "ADMINPC"}};
    parts().settings.FloodE = 10;
    parts().helpText = {"Help line one", "Help line two"};
  }

  BotParts& parts() { return f.parts(); }
  void Say(const ChatPeer& peer, const std::string& text, const std::string& channel = "Main") {
    f.ClearSent();
    f.view.Clear();
    calls.clear();
    f.ReceiveLine(peer, text, channel);
  }
  bool Called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  bool Noted(const ChatPeer& peer, const std::string& note) const {
    return f.view.Contains(peer.nick + " (" + peer.host + W(note));
  }
  std::size_t NoteCount() const {
    std::size_t n = 0;
    for (const std::string& text : f.view.Texts()) {
      if (text.find(W(") команда")) != std::string::npos) ++n;
    }
    return n;
  }

  BotFixture f;
  std::unique_ptr<InstalledServices> services;
  Chatterbox chatterbox{f.dir.FilePath("botfile/boltun.txt"), f.clock};
  std::vector<std::string> calls;
  std::uint32_t externalAddress = 0;
  ChatPeer user{"Vasya", "PC7", Loopback(2), 0x00A000};
  ChatPeer admin{"Boss", "ADMINPC", Loopback(3), 0x0000FF};
  ChatPeer banned{"Bad", "BADPC", Loopback(4), 0x000080};
};

TEST_F(InterpreterTest, HelpWithEitherPrefixIsUnicastListing) {
  for (const char* text : {"!help", "\\help", "!помощь", "\\справка", "![tkg", "!рудз"}) {
    Say(user, W(text));
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << text;
    EXPECT_EQ(sent[0].text, "Help line one\r\nHelp line two\r\n");
    EXPECT_EQ(sent[0].kind, 3);
    EXPECT_EQ(sent[0].dstAddr, user.address);
    EXPECT_EQ(sent[0].channel, "Main");
    EXPECT_TRUE(f.view.Contains(W("Vasya (PC7) команда помощь."))) << text;
    EXPECT_FALSE(Called("external help"));
  }
}

TEST_F(InterpreterTest, CapitalisedCommandsGoToExternalCommands) {
  for (const char* text : {"!Help", "!HELP", "!Banlist", "!T_FIX"}) {
    Say(user, text);
    EXPECT_TRUE(f.Sent().empty()) << text;
    EXPECT_TRUE(Called(std::string("external ") + (text + 1))) << text;
    EXPECT_EQ(externalAddress, user.address);
    EXPECT_EQ(NoteCount(), 0u) << text;
  }
}

TEST_F(InterpreterTest, ChannelLineIsLoggedThenSeenThenHandled) {
  Say(user, "hello");
  EXPECT_EQ(f.view.Texts().front(), "{Main} Vasya (PC7): hello");
  EXPECT_EQ(f.view.lines.front().color, user.color);
  EXPECT_EQ(LogFile(), "[18:05]Vasya (PC7): hello\r\n");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya", "vote hello", "boltun hello"}));
}

TEST_F(InterpreterTest, OnlyTheMainChannelGoesToTheLogFile) {
  Say(user, "one", "main");
  Say(user, "two", "MAIN");
  Say(user, "three", "Main2");
  Say(user, "four", "Other");
  EXPECT_EQ(LogFile(),
            "[18:05]Vasya (PC7): one\r\n[18:05]Vasya (PC7): two\r\n");
  EXPECT_TRUE(f.view.Contains("{Other} Vasya (PC7): four"));
}

TEST_F(InterpreterTest, OwnLinesAreLoggedButNeverAnswered) {
  Say(f.Self(), "!help");
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(f.view.Contains("{Main} " + f.Self().nick + " (" + f.Self().host + "): !help"));
  EXPECT_NE(LogFile().find("): !help"), std::string::npos);
}

TEST_F(InterpreterTest, EmptyTextAndDisabledBotStopEarly) {
  Say(user, "");
  EXPECT_TRUE(calls.empty());
  parts().settings.EnableBotCB = false;
  Say(user, "!help");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya"}));
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(InterpreterTest, OtherKindsAreIgnoredCompletely) {
  f.view.Clear();
  f.Inject(user, kPacketChatLine, ChatLinePayload(3, "Main", "!help"));
  f.Inject(user, kPacketChatLine, ChatLinePayload(1, "Main", "!help"));
  EXPECT_TRUE(f.view.Texts().empty());
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_TRUE(calls.empty());
}

TEST_F(InterpreterTest, TextWithoutZeroByteEndsAtThePayloadEnd) {
  std::vector<std::uint8_t> payload = ChatLinePayload(0, "Main", "!help");
  payload.pop_back();  // no terminating zero
  f.Inject(user, kPacketChatLine, payload);
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].kind, 3);
}

TEST_F(InterpreterTest, ChatterboxGetsTrimmedNarrowLowerCase) {
  Say(user, W(" \t ПРИВЕТ БОТ \r\n"));
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("И тебе привет"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);

  // Ё is left as it is.
  Say(user, W("ЁЖ Ab"));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, W("Ёжик"));
  Say(user, W("ёж ab"));
  EXPECT_TRUE(f.Sent().empty());
  parts().settings.BoltunCB = false;
  Say(user, W("ПРИВЕТ БОТ"));
  EXPECT_FALSE(Called(W("boltun ПРИВЕТ БОТ")));
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(InterpreterTest, FloodLimitDecidesTheQuietBanCheck) {
  // Banned or not, an ordinary line gets no answer.
  Say(banned, "hi");
  EXPECT_TRUE(f.Sent().empty());
  // The quiet check reads the ban list: an unreadable one shows who asks.
  std::filesystem::remove(f.dir.FilePath("botfile/ban.txt"));
  std::filesystem::create_directory(f.dir.FilePath("botfile/ban.txt"));
  f.clock.SetTickMs(f.clock.TickMs() + 1000);  // when the bot looks again
  const auto readsBanList = [this] {
    for (const std::string& line : f.view.Texts()) {
      if (line.find("ban.txt") != std::string::npos) return true;
    }
    return false;
  };
  Say(user, "123456789");  // 9 < 10
  EXPECT_TRUE(readsBanList());
  Say(user, "1234567890");  // 10: left alone
  EXPECT_FALSE(readsBanList());
}

TEST_F(InterpreterTest, RightsSkipARowAndTheWalkGoesOn) {
  Say(user, "!t_unfix");
  EXPECT_EQ(calls.back(), "external t_unfix");
  EXPECT_EQ(NoteCount(), 0u);
  Say(user, "!t_fix");
  EXPECT_EQ(calls.back(), "external t_fix");
  EXPECT_FALSE(parts().topic.TopicLocked);
  Say(user, "!ban PC1=01.01.2030 00:00:00");
  EXPECT_EQ(calls.back(), "external ban PC1=01.01.2030 00:00:00");
  Say(user, W("!инфо текст"));
  EXPECT_EQ(calls.back(), W("external инфо текст"));
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\n");
}

TEST_F(InterpreterTest, AdministratorNeedsBothNickAndHost) {
  ChatPeer impostor{"Boss", "PC8", Loopback(5), 1};
  Say(impostor, "!t_fix");
  EXPECT_EQ(calls.back(), "external t_fix");
  EXPECT_FALSE(parts().topic.TopicLocked);
  ChatPeer otherNick{"Boss2", "ADMINPC", Loopback(5), 1};
  Say(otherNick, "!t_fix");
  EXPECT_FALSE(parts().topic.TopicLocked);
}

TEST_F(InterpreterTest, TopicLockUnlockAndChange) {
  parts().SetTopic(W("Пятница"));
  Say(user, W("!t Новая тема"));
  std::vector<SentPacket> sent = f.SentOfType(kPacketTopic);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Новая тема (Vasya)"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_TRUE(Noted(user, ") команда сменить тему."));

  Say(admin, "!t_fix");
  EXPECT_TRUE(parts().topic.TopicLocked);
  sent = f.SentOfType(kPacketTopic);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Пятница (Fiksed)"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_TRUE(Noted(admin, ") команда от администратора: заблокировать тему."));

  Say(user, W("!т другая"));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].type, kPacketChatLine);
  EXPECT_EQ(f.Sent()[0].text, W("Нельзя сменить тему."));
  EXPECT_EQ(f.Sent()[0].dstAddr, kLoopbackBroadcast);

  // A topic packet from someone else is refused by the dispatcher with its
  // own wording.
  f.ClearSent();
  f.ReceiveTopic(user, "mine");
  EXPECT_EQ(f.SentOfType(kPacketTopic).at(0).text, W("Пятница (Fixed)"));

  Say(admin, W("!т_анфикс"));
  EXPECT_FALSE(parts().topic.TopicLocked);
  sent = f.SentOfType(kPacketTopic);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Пятница"));
  EXPECT_TRUE(Noted(admin, ") команда от администратора: разблокировать тему."));
}

TEST_F(InterpreterTest, LockAliasesAndTheirLengths) {
  Say(admin, "!t_fix now");  // "t_fix" is shorter than 6: whole text only
  EXPECT_FALSE(parts().topic.TopicLocked);
  EXPECT_EQ(calls.back(), "external t_fix now");
  Say(admin, W("!т_фикс сейчас"));  // six characters and the rest ignored
  EXPECT_TRUE(parts().topic.TopicLocked);
  Say(admin, "!t_unfix now");
  EXPECT_TRUE(parts().topic.TopicLocked);
  EXPECT_EQ(calls.back(), "external t_unfix now");
  Say(admin, "!n_fyabrc please");
  EXPECT_FALSE(parts().topic.TopicLocked);
}

TEST_F(InterpreterTest, MeLineKeepsTheSpace) {
  for (const char* text : {"!me улыбается", "!я улыбается", "!ьу улыбается", "!z улыбается"}) {
    Say(user, W(text));
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << text;
    EXPECT_EQ(sent[0].text, W("Vasya улыбается%cf%"));
    EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
    EXPECT_EQ(sent[0].kind, 0);
    EXPECT_TRUE(Noted(user, ") команда me."));
  }
  Say(user, W("!я"));  // no space: not the me command
  EXPECT_EQ(calls.back(), W("external я"));
}

TEST_F(InterpreterTest, RecentLines) {
  for (const char* text : {"l1", "l2", "l3", "l4", "l5", "l6"}) Say(user, text);
  Say(user, W("!и 2"));
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("\r\n[18:05]Vasya (PC7): l6\r\n[18:05]Vasya (PC7): !и 2"));
  EXPECT_EQ(sent[0].kind, 3);
  EXPECT_EQ(sent[0].dstAddr, user.address);
  EXPECT_TRUE(Noted(user, ") команда выдать последние N строк.(Ограничение на 99 строк)"));

  Say(user, "!h 5");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text,
            "\r\n[18:05]Vasya (PC7): l4\r\n[18:05]Vasya (PC7): l5\r\n[18:05]Vasya (PC7): l6" +
                W("\r\n[18:05]Vasya (PC7): !и 2") + "\r\n[18:05]Vasya (PC7): !h 5");

  // Too long, not a number, no number: noted, dropped without an error.
  for (const char* text : {"!b 100", "!b x", "!b ", "!b 0"}) {
    Say(user, text);
    EXPECT_TRUE(f.Sent().empty()) << text;
    EXPECT_EQ(NoteCount(), 1u) << text;
    EXPECT_FALSE(Called(std::string("external ") + (text + 1))) << text;
  }
}

TEST_F(InterpreterTest, RecentLinesCountIsOneOrTwoDigits) {
  for (int i = 1; i <= 120; ++i) Say(user, "l" + std::to_string(i));
  // The command line itself is the newest of the 99: l23 to l120 before it.
  Say(user, W("!и 99"));
  ASSERT_EQ(f.Sent().size(), 1u);
  const std::string all = f.Sent()[0].text;
  EXPECT_EQ(all.rfind("\r\n[18:05]Vasya (PC7): l23\r\n", 0), 0u) << all;
  std::size_t lines = 0;
  for (std::size_t at = all.find("\r\n["); at != std::string::npos; at = all.find("\r\n[", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 99u);

  Say(user, W("!р 05"));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "\r\n[18:05]Vasya (PC7): l118\r\n[18:05]Vasya (PC7): l119" +
                                  W("\r\n[18:05]Vasya (PC7): l120\r\n[18:05]Vasya (PC7): !и 99"
                                    "\r\n[18:05]Vasya (PC7): !р 05"));

  // A negative count or a number with something after it reads nothing;
  // the command is still noted and goes no further.
  for (const char* text : {"!и -1", "!и -9", "!и 1x", "!и 5 "}) {
    Say(user, W(text));
    EXPECT_TRUE(f.Sent().empty()) << text;
    EXPECT_EQ(NoteCount(), 1u) << text;
    EXPECT_FALSE(Called(W(std::string("external ") + (text + 1)))) << text;
  }
}

TEST_F(InterpreterTest, PasswordChannelCommandsAreNoted) {
  const std::pair<const char*, const char*> commands[] = {
      {"!d", ") команда опустошить файл личных сообщений"},
      {"\\r", ") команда прочесть личные сообщения"},
      {"!cnewpass", ") команда сменить пароль абонента"},
      {"!stop", ") команда обнулисть ник респондента"},
      {"!nick Ann", ") команда задать ник респондента"},
  };
  for (const auto& [text, note] : commands) {
    f.view.Clear();
    calls.clear();
    f.ReceivePasswordLine(user, text, "Vasya_box", "secret");
    EXPECT_TRUE(Noted(user, note)) << text;
    EXPECT_EQ(NoteCount(), 1u) << text;
    EXPECT_EQ(f.view.lines.back().color, user.color);
  }
  // No command, and no line to deliver either: nothing at all.
  for (const char* text : {"!dd", "!R", "!read", "!sto", "!nic", "!"}) {
    f.view.Clear();
    f.ClearSent();
    calls.clear();
    f.ReceivePasswordLine(user, text, "Vasya_box", "secret");
    EXPECT_EQ(NoteCount(), 0u) << text;
    EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya"})) << text;
    EXPECT_TRUE(f.Sent().empty()) << text;
  }
  // A banned sender is refused before anything is noted.
  f.view.Clear();
  f.ReceivePasswordLine(banned, "!d", "Bad_box", "pw");
  EXPECT_EQ(NoteCount(), 0u);
}

TEST_F(InterpreterTest, BannedUserGetsTheRefusalButCanRefresh) {
  Say(banned, "!help");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text,
            W("Bad, Вам отказано в использовании бота, ваш бан до: 01.01.2030 00:00:00\n\r"
              "Ручная проверка бана (!refreshban или !проверить бан)"));
  EXPECT_EQ(sent[0].dstAddr, banned.address);
  EXPECT_EQ(NoteCount(), 0u);
  // Seen, vote and chatterbox come before the ban check.
  EXPECT_TRUE(Called("seen Bad"));
  EXPECT_TRUE(Called("vote !help"));
  EXPECT_TRUE(Called("boltun !help"));

  // Not expired yet: the check keeps the ban.
  Say(banned, W("!проверить бан"));
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_TRUE(Noted(banned, ") команда проверить истечение бана."));
  // With "\" it is no expiry check: the ban check refuses it.
  Say(banned, "\\refreshban");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].dstAddr, banned.address);

  f.clock.SetNow(DateTimeParts{2030, 1, 1, 0, 0, 1, 0});
  Say(banned, "!refreshban");
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\n");
  Say(banned, "!help");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "Help line one\r\nHelp line two\r\n");
}

TEST_F(InterpreterTest, RefreshbanWithBackslashGoesThroughTheTable) {
  Say(user, "\\refreshban");
  EXPECT_EQ(calls.back(), "external refreshban");
  Say(user, W("!куакуырифт"));
  EXPECT_TRUE(Noted(user, ") команда проверить истечение бана."));
}

TEST_F(InterpreterTest, BanCommandAndBanList) {
  Say(admin, "!ban PC9=31.12.2026 23:59:00");
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"),
            "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\nPC9=31.12.2026 23:59:00\r\n");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, W("PC9=31.12.2026 23:59:00%cf% Добавлен в Бан лист"));
  EXPECT_EQ(f.Sent()[0].dstAddr, kLoopbackBroadcast);
  EXPECT_TRUE(Noted(admin, ") команда Администратора БАН."));

  Say(user, W("!банлист"));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "\r\n\r\n" + std::string(64, ' ') +
                                  W("(*)   Бан Лист   (*)\r\n") +
                                  "\r\nPC9=31.12.2026 23:59:00\r\nBADPC=01.01.2030 00:00:00\r\n[BanList]");
  EXPECT_EQ(f.Sent()[0].kind, 3);
  EXPECT_EQ(f.Sent()[0].dstAddr, user.address);
  EXPECT_TRUE(Noted(user, ") команда показать банлист."));

  // What follows a line end in the argument never reaches the file.
  Say(admin, "!ban PC3=01.01.2030 00:00:00\r\n[Evil]\r\nPC4=x");
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"),
            "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\nPC9=31.12.2026 23:59:00\r\n"
            "PC3=01.01.2030 00:00:00\r\n");

  ChatPeer nine{"Nine", "PC9", Loopback(9), 1};
  Say(nine, "!help");
  EXPECT_NE(f.Sent().at(0).text.find(W("Вам отказано")), std::string::npos);
}

TEST_F(InterpreterTest, WeatherAndInfo) {
  f.dir.WriteFile("botfile/weather.txt", W("Солнце\r\n"));
  Say(user, "!gjujlf");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text,
            "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\nСолнце\r\n"));
  EXPECT_EQ(f.Sent()[0].dstAddr, user.address);
  EXPECT_TRUE(Noted(user, ") команда показать погоду."));

  Say(admin, W("!инфо Сходка в субботу"));
  EXPECT_EQ(f.dir.ReadFile("botfile/welcom.txt"), W("Сходка в субботу\r\n"));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, W("Сходка в субботу Добавлена в файл ИНФОРМАЦИЯ!"));
  EXPECT_TRUE(Noted(admin, ") команда Администратора (Информация)"));
}

TEST_F(InterpreterTest, PrefixAloneReachesTheCommandServicesOnly) {
  Say(user, "!");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya", "vote !", "boltun !", "box ",
                                            "votecmd "}));
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(InterpreterTest, QuizChannelSeesLinesAndCommands) {
  Say(user, "42", "Victorina");
  EXPECT_TRUE(Called("quiz 42"));
  Say(user, "!start", "Victorina");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya", "quiz !start", "vote !start",
                                            "boltun !start", "box start",
                                            "votecmd start", "quizstart start", "quiz start",
                                            "external start"}));
  Say(user, "42", "victorina");
  EXPECT_FALSE(Called("quiz 42"));
}

TEST_F(InterpreterTest, PasswordChannelLines) {
  f.view.Clear();
  f.ReceivePasswordLine(user, "hi there", "Vasya_box", "secret");
  EXPECT_EQ(f.view.Texts().front(), "<Vasya_box> Vasya (PC7)  =>> secret <<= hi there");
  EXPECT_EQ(LogFile(), "[18:05]Vasya (PC7): hi there\r\n");
  EXPECT_TRUE(Called("deliver hi there|Vasya_box|secret"));

  calls.clear();
  f.ReceivePasswordLine(user, "!r", "Vasya_box", "secret");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Vasya"}));
  EXPECT_TRUE(Noted(user, ") команда прочесть личные сообщения"));
  calls.clear();
  f.view.Clear();
  f.ReceivePasswordLine(banned, "!r", "Bad_box", "pw");
  EXPECT_EQ(NoteCount(), 0u);
  calls.clear();
  f.ReceivePasswordLine(f.Self(), "!r", "Bot_box", "pw");
  EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace pelmo
