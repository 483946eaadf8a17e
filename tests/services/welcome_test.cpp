#include "services/welcome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

// --- The entry-line formatter ---

TEST(FormatWithNick, PutsTheNickForPercentS) {
  EXPECT_EQ(FormatWithNick(W("К нам пришёл %s!"), "Ann"), W("К нам пришёл Ann!"));
  EXPECT_EQ(FormatWithNick("%s", "Ann"), "Ann");
  EXPECT_EQ(FormatWithNick("%S here", "Ann"), "Ann here");
  EXPECT_EQ(FormatWithNick("100%% %s", "Ann"), "100% Ann");
  EXPECT_EQ(FormatWithNick("%%s %s", "Ann"), "%s Ann");
}

TEST(FormatWithNick, PatternWithoutPlaceholderIsSentAsItIs) {
  EXPECT_EQ(FormatWithNick(W("Привет всем"), "Ann"), W("Привет всем"));
  EXPECT_EQ(FormatWithNick("", "Ann"), "");
}

TEST(FormatWithNick, NickIsNeverReadAsAPattern) {
  EXPECT_EQ(FormatWithNick("<%s>", "%s%d%n%%"), "<%s%d%n%%>");
}

TEST(FormatWithNick, WidthPrecisionAndIndexAsTheRuntimeDoes) {
  EXPECT_EQ(FormatWithNick("[%6s]", "Ann"), "[   Ann]");
  EXPECT_EQ(FormatWithNick("[%-6s]", "Ann"), "[Ann   ]");
  EXPECT_EQ(FormatWithNick("[%.2s]", "Ann"), "[An]");
  EXPECT_EQ(FormatWithNick("[%2s]", "Ann"), "[Ann]");
  EXPECT_EQ(FormatWithNick("%0:s and %0:s", "Ann"), "Ann and Ann");
  EXPECT_EQ(FormatWithNick("%s/%0:s", "Ann"), "Ann/Ann");
}

TEST(FormatWithNick, HostilePatternsThrow) {
  for (const char* pattern :
       {"%d", "%s %s", "%s and %d", "abc %", "%", "%x", "%n", "%p", "%1:s",
        "%*s", "%.*s", "%99999999999999999999s", "%70000s", "%-", "%5", "%s%s%s%s%n"}) {
    EXPECT_THROW(FormatWithNick(pattern, "Ann"), PatternError) << pattern;
  }
}

// --- The service ---

class WelcomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    f.dir.WriteFile("botfile/vhod.txt", "");
    f.dir.WriteFile("botfile/welcom.txt", "");
    f.dir.WriteFile("botfile/weather.txt", "");
  }

  void WriteDefaults(const std::string& enter, const std::string& quit) {
    std::string ini = "[Messages]\r\n";
    for (int k = 0; k < 15; ++k) {
      ini += "EnterMessage" + std::to_string(k) + "=" + enter + "\r\n";
      ini += "QuitMessage" + std::to_string(k) + "=" + quit + "\r\n";
    }
    f.dir.WriteFile("botfile/defvhod.ini", ini);
  }

  Bot& bot() { return f.bot(); }
  BotParts& parts() { return f.parts(); }

  BotFixture f;
  Welcome welcome{f.parts().folder, f.parts().settings, f.parts().random, f.parts().replies,
                  f.parts().log};
  const std::uint32_t kUser = Loopback(2);
};

TEST_F(WelcomeTest, PersonalLineWinsAndMatchesCaseExactly) {
  f.dir.WriteFile("botfile/vhod.txt",
                  W("Bob: Бобу привет\r\nAnn: Здравствуй, Анна: рады видеть\r\n"));
  WriteDefaults(W("Вошёл %s"), W("Ушёл %s"));

  welcome.SendEntryMessage("Ann");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Здравствуй, Анна: рады видеть"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[0].kind, 0);
  EXPECT_EQ(sent[0].channel, "Main");

  f.ClearSent();
  welcome.SendEntryMessage("ann");
  sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Вошёл ann"));
}

TEST_F(WelcomeTest, LineWithColonButNoColonSpaceSendsFromSecondCharacter) {
  f.dir.WriteFile("botfile/vhod.txt", "Ann:hello\r\nBob hello\r\n");
  parts().settings.DefaultMsgCB = false;
  welcome.SendEntryMessage("Ann");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, "nn:hello");

  // A line without ":" never matches a non-empty nick.
  f.ClearSent();
  welcome.SendEntryMessage("Bob");
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(WelcomeTest, DefaultLinesDrawOneOfFifteen) {
  std::string ini = "[Messages]\r\n";
  for (int k = 0; k < 15; ++k) {
    ini += "EnterMessage" + std::to_string(k) + "=in" + std::to_string(k) + " %s\r\n";
    ini += "QuitMessage" + std::to_string(k) + "=out" + std::to_string(k) + " %s\r\n";
  }
  f.dir.WriteFile("botfile/defvhod.ini", ini);
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    welcome.SendEntryMessage("Ann");
    welcome.SendQuitMessage("Ann");
  }
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 400u);
  for (const SentPacket& packet : sent) seen.insert(packet.text);
  // Every one of the 15 entry and 15 leave lines turns up, nothing else.
  EXPECT_EQ(seen.size(), 30u);
  EXPECT_TRUE(seen.count("in0 Ann"));
  EXPECT_TRUE(seen.count("in14 Ann"));
  EXPECT_TRUE(seen.count("out14 Ann"));
}

TEST_F(WelcomeTest, EmptyOrMissingDefaultsGiveMessageNotFound) {
  f.dir.WriteFile("botfile/defvhod.ini", "");
  welcome.SendEntryMessage("Ann");
  welcome.SendQuitMessage("Ann");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, "Message not found !");
  EXPECT_EQ(sent[1].text, "Message not found !");

  std::remove(f.dir.FilePath("botfile/defvhod.ini").c_str());
  EXPECT_EQ(welcome.DefaultMessage("QuitMessage3", "Ann"), "Message not found !");
}

TEST_F(WelcomeTest, DefaultsOffSendsNoDefaultLines) {
  WriteDefaults("in %s", "out %s");
  parts().settings.DefaultMsgCB = false;
  welcome.SendEntryMessage("Ann");
  welcome.SendQuitMessage("Ann");
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(WelcomeTest, APatternThatDoesNotFitCostsItsLineAndIsLoggedOnce) {
  WriteDefaults("%s %d %n", W("%d ник %s"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NO_THROW(welcome.SendEntryMessage("Ann"));
    EXPECT_NO_THROW(welcome.SendQuitMessage("Ann"));
  }
  EXPECT_TRUE(f.Sent().empty());
  int enter = 0, quit = 0;
  for (const std::string& line : f.view.Texts()) {
    if (line.find("defvhod.ini") == std::string::npos) continue;
    if (line.find("%s %d %n") != std::string::npos) ++enter;
    if (line.find(W("%d ник %s")) != std::string::npos) ++quit;
  }
  EXPECT_EQ(enter, 1);
  EXPECT_EQ(quit, 1);
}

TEST_F(WelcomeTest, AMissingPersonalFileGivesTheDefaultLine) {
  WriteDefaults("in %s", "out %s");
  std::remove(f.dir.FilePath("botfile/vhod.txt").c_str());
  welcome.SendEntryMessage("Ann");
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "in Ann");
  // One that cannot be read ends the handling.
  ASSERT_TRUE(CreateDirectory(f.dir.FilePath("botfile/vhod.txt")));
  EXPECT_THROW(welcome.SendEntryMessage("Ann"), FileError);
}

TEST_F(WelcomeTest, ChannelNames) {
  parts().settings.AnecChannelE = "Anek";
  parts().settings.NameChanVicE = "Vic";
  welcome.SendAnecdoteChannelName(kUser);
  welcome.SendQuizChannelName(kUser);
  parts().settings.ShowNameChanCB = false;
  welcome.SendAnecdoteChannelName(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, W("Канал для анекдотов: Anek"));
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[1].text, W("Канал Викторины: Vic"));
  EXPECT_EQ(sent[1].dstAddr, kUser);
}

TEST_F(WelcomeTest, StartMessageWithItsSwitches) {
  f.dir.WriteFile("botfile/welcom.txt", W("Правила чата\r\nНе флудить\r\n"));
  welcome.LoadInfoText();
  const std::string expected = "\r\n\r\n" + std::string(64, ' ') +
                               W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\nПравила чата\r\nНе флудить\r\n");
  parts().settings.StartMessageCB = true;
  parts().settings.StartMsgPrivateCB = false;
  welcome.SendStartMessage(kUser);
  parts().settings.StartMsgPrivateCB = true;
  welcome.SendStartMessage(kUser);
  parts().settings.StartMessageCB = false;
  welcome.SendStartMessage(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, expected);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[1].text, expected);
  EXPECT_EQ(sent[1].dstAddr, kUser);

  // Dropped when the bot stops: only the banner is left.
  welcome.DropInfoText();
  f.ClearSent();
  parts().settings.StartMessageCB = true;
  welcome.SendStartMessage(kUser);
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, "\r\n\r\n" + std::string(64, ' ') +
                                  W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\n"));
}

TEST_F(WelcomeTest, WeatherIsReadAfreshAndUnicast) {
  f.dir.WriteFile("botfile/weather.txt", W("Ясно\r\n+5"));
  welcome.SendWeatherText(kUser);
  f.dir.WriteFile("botfile/weather.txt", W("Дождь\n"));
  welcome.SendWeatherText(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  const std::string banner = "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\n");
  EXPECT_EQ(sent[0].text, banner + W("Ясно\r\n+5\r\n"));
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[0].kind, 0);
  EXPECT_EQ(sent[1].text, banner + W("Дождь\r\n"));
}

TEST_F(WelcomeTest, AddInfoLineAppendsAnnouncesAndShowsAtOnce) {
  f.dir.WriteFile("botfile/welcom.txt", "one\r\n");
  welcome.LoadInfoText();
  welcome.AddInfoLine(W("Сходка в субботу"));
  EXPECT_EQ(f.dir.ReadFile("botfile/welcom.txt"), W("one\r\nСходка в субботу\r\n"));
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("Сходка в субботу Добавлена в файл ИНФОРМАЦИЯ!"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(welcome.InfoText(), (std::vector<std::string>{"one", W("Сходка в субботу")}));
}

TEST_F(WelcomeTest, AddedInfoLineIsALineOfItsOwn) {
  f.dir.WriteFile("botfile/welcom.txt", "one");  // no line end after it
  welcome.AddInfoLine("two\nthree");
  welcome.AddInfoLine("");
  EXPECT_EQ(f.dir.ReadFile("botfile/welcom.txt"), "one\r\ntwo\r\nthree\r\n\r\n");
  // While the bot is stopped the text stays unloaded.
  EXPECT_TRUE(welcome.InfoText().empty());
  ASSERT_EQ(f.Sent().size(), 2u);
  EXPECT_EQ(f.Sent()[1].text, W(" Добавлена в файл ИНФОРМАЦИЯ!"));

  std::remove(f.dir.FilePath("botfile/welcom.txt").c_str());
  welcome.AddInfoLine("first");
  EXPECT_EQ(f.dir.ReadFile("botfile/welcom.txt"), "first\r\n");
}

// The join and leave handlers call the installed services in their order.
TEST(WelcomeJoin, JoinSendsGreetingsInOrderAndLeaveSendsTheQuitLine) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  f.dir.WriteFile("botfile/vhod.txt", W("Ann: Анна пришла!\r\n"));
  f.dir.WriteFile("botfile/welcom.txt", "Rules\r\n");
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\n");
  f.dir.WriteFile("botfile/defvhod.ini", W("[Messages]\r\nQuitMessage0=%s ушла\r\n"));
  for (const auto& started : f.parts().on.life.started) started();
  BotSettings& settings = f.parts().settings;
  settings.EnableBotCB = settings.DefaultMsgCB = settings.AutoAforizmCB = true;
  settings.ShowNameChanCB = settings.PocazNameChanCB = settings.StartMessageCB = true;
  settings.ShowBannedCB = true;
  settings.StartMsgPrivateCB = false;
  settings.BirthDayCB = false;
  f.parts().SetTopic("Friday");

  ChatPeer ann{"Ann", "PC2", Loopback(2), 1};
  f.ReceiveJoin(ann);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 7u);
  EXPECT_EQ(sent[0].type, kPacketProbe);
  EXPECT_EQ(sent[1].text, W("Анна пришла!"));
  EXPECT_EQ(sent[1].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[2].type, kPacketTopic);
  EXPECT_EQ(sent[2].text, "Friday");
  EXPECT_EQ(sent[3].text, W("Канал для анекдотов: ") + settings.AnecChannelE);
  EXPECT_EQ(sent[3].dstAddr, ann.address);
  EXPECT_EQ(sent[4].text, W("Канал Викторины: ") + settings.NameChanVicE);
  EXPECT_EQ(sent[5].text, "\r\n\r\n" + std::string(64, ' ') +
                              W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\nRules\r\n"));
  EXPECT_EQ(sent[5].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[6].text, "\r\n\r\n" + std::string(64, ' ') +
                              W("(*)   Кто забанен   (*)\r\n") +
                              "\r\nBADPC=01.01.2030 00:00:00\r\n[BanList]");
  EXPECT_EQ(sent[6].kind, 0);
  EXPECT_EQ(sent[6].dstAddr, ann.address);

  // A banned joiner is only probed.
  f.ClearSent();
  f.ReceiveJoin(ChatPeer{"Ann", "BADPC", Loopback(4), 1});
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].type, kPacketProbe);

  // Leave: the one quit line that exists, or "Message not found !".
  f.ClearSent();
  for (int i = 0; i < 40; ++i) f.ReceiveLeave(ann);
  std::set<std::string> texts;
  for (const SentPacket& packet : f.Sent()) texts.insert(packet.text);
  EXPECT_EQ(texts, (std::set<std::string>{W("Ann ушла"), "Message not found !"}));
}

TEST(WelcomeJoin, ABadEntryPatternCostsOnlyTheEntryLine) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  f.PrepareOffline();
  f.dir.WriteFile("botfile/vhod.txt", "");
  f.dir.WriteFile("botfile/welcom.txt", "Rules\r\n");
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nBADPC=01.01.2030 00:00:00\r\n");
  std::string ini = "[Messages]\r\n";
  for (int k = 0; k < 15; ++k) ini += "EnterMessage" + std::to_string(k) + W("=%d ник %s\r\n");
  f.dir.WriteFile("botfile/defvhod.ini", ini);
  // A note waits for the joiner's computer.
  f.dir.WriteFile("botfile/stat.ini", W("[PC2]\r\nTotal=5\r\nMessage-1=* Сообщение\r\n"));
  for (const auto& started : f.parts().on.life.started) started();
  BotSettings& settings = f.parts().settings;
  settings.EnableBotCB = settings.DefaultMsgCB = settings.AutoAforizmCB = true;
  settings.ShowNameChanCB = settings.PocazNameChanCB = settings.StartMessageCB = true;
  settings.ShowBannedCB = true;
  settings.StartMsgPrivateCB = false;
  settings.BirthDayCB = false;
  f.parts().SetTopic("Friday");

  const ChatPeer ann{"Ann", "PC2", Loopback(2), 1};
  f.ReceiveJoin(ann);
  std::vector<std::string> texts;
  for (const SentPacket& packet : f.Sent()) {
    if (packet.type != kPacketProbe) texts.push_back(packet.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Friday", W("Канал для анекдотов: ") + settings.AnecChannelE,
                       W("Канал Викторины: ") + settings.NameChanVicE,
                       "\r\n\r\n" + std::string(64, ' ') +
                           W("(*)   И Н Ф О Р М А Ц И Я   (*)\r\nRules\r\n"),
                       "\r\n\r\n" + std::string(64, ' ') + W("(*)   Кто забанен   (*)\r\n") +
                           "\r\nBADPC=01.01.2030 00:00:00\r\n[BanList]",
                       W("У Вас 1 сообщение! Новых: 1 Для прочтения наберите !mess")}));
  EXPECT_FALSE(f.view.Contains(W("Error: defvhod.ini pattern does not fit one string: %d ник %s")));
}

}  // namespace
}  // namespace pelmo
