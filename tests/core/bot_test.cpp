#include "core/bot.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/data_files.h"
#include "fakes/bot_fixture.h"
#include "games/chatterbox.h"

namespace pelmo {
namespace {

using std::chrono::milliseconds;

std::vector<std::string> Between(const std::vector<std::string>& texts,
                                 const std::string& first, const std::string& last) {
  std::vector<std::string> part;
  bool in = false;
  for (const std::string& text : texts) {
    if (text == first) in = true;
    if (in) part.push_back(text);
    if (in && text == last) break;
  }
  return part;
}

TEST(BotLifecycle, FirstRunCreatesEveryDataFile) {
  BotFixture f({{"EnableBot=0"}});
  ASSERT_FALSE(f.dir.Exists("botfile"));
  f.bot().Open();

  const std::vector<std::string> botfile = {
      "Aforizm.txt", "BirthDay.dat", "admin.txt",   "anecdot.txt", "ban.txt",
      "boltun.txt",  "help.txt",     "log.txt",     "news.txt",    "seen.txt",
      "seen_log.log", "seennews.txt", "top.txt",    "vhod.txt",    "weather.txt",
      "welcom.txt"};
  EXPECT_EQ(f.dir.List("botfile"), botfile);
  for (const std::string& name : botfile) {
    EXPECT_EQ(f.dir.ReadFile("botfile/" + name), "") << name;
  }
  EXPECT_TRUE(f.dir.Exists("others.ini"));
  EXPECT_EQ(f.dir.ReadFile("extcmds.ini"), "");
  EXPECT_EQ(f.dir.List("user"), std::vector<std::string>{"seen.txt"});
  EXPECT_EQ(f.dir.ReadFile("user/seen.txt"), "");
  EXPECT_EQ(DataFileNames().size(), 18u);
  // Not started: nothing went out, and the window shows no run state yet.
  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(f.bot().StatusPanel(2), "");
}

TEST(BotLifecycle, SwitchedOffBotStaysStopped) {
  BotFixture off({{"EnableBot=0"}});
  off.bot().Open();
  EXPECT_FALSE(off.bot().Running());
  EXPECT_FALSE(off.view.Contains("Starting..."));

  BotFixture on;
  on.RecordSends(false);
  on.bot().Open();
  EXPECT_TRUE(on.bot().Running());
  on.bot().Stop();
}

TEST(BotLifecycle, ExistingFilesAreKept) {
  BotFixture f({{"EnableBot=0"}});
  f.dir.WriteFile("botfile/ban.txt", "PC1\r\n");
  f.dir.WriteFile("user/Ann", "box\r\n");
  f.bot().Open();
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "PC1\r\n");
  // user/ existed, so no seen.txt is made in it.
  EXPECT_FALSE(f.dir.Exists("user/seen.txt"));
  EXPECT_EQ(f.dir.ReadFile("user/Ann"), "box\r\n");
}

TEST(BotLifecycle, OpenLoadsListsAndShowsTheLastStart) {
  BotFixture f({{"EnableBot=0"}});
  f.dir.WriteFile("others.ini",
                  "[START]\r\nCountStart=41\r\nLastDate=05.12.2026\r\nLastTime=09:30\r\n");
  std::vector<std::string> order;
  f.parts().on.life.loadLists.push_back([&] { order.push_back("anecdotes"); });
  f.parts().on.life.loadLists.push_back([&] { order.push_back("ban"); });
  std::string phrases;
  for (int i = 0; i < 12; ++i) phrases += "q" + std::to_string(i) + "^a\r\n";
  f.dir.WriteFile("botfile/boltun.txt", phrases);
  Chatterbox chatterbox(f.dir.FilePath("botfile/boltun.txt"), f.clock);
  InstallChatterbox(f.services(), chatterbox);
  f.parts().on.life.loadLists.push_back([&] { order.push_back(chatterbox.PhraseCount() == 12 ? "after chatterbox" : "before"); });
  f.parts().topic.TopicLocked = true;

  f.bot().Open();

  EXPECT_EQ(order, (std::vector<std::string>{"anecdotes", "ban", "after chatterbox"}));
  EXPECT_TRUE(f.view.Contains(W("Загружено 12 фраз в базу болтуна.")));
  EXPECT_EQ(f.view.logCleared, 1);
  EXPECT_FALSE(f.parts().topic.TopicLocked);
  EXPECT_EQ(f.bot().StatusPanel(3), "Last start: 05.12.2026 in 09:30");
  EXPECT_EQ(f.parts().settings.StartCount, 41);
  EXPECT_EQ(f.parts().netSettings.BotNick, "@Pelmo_bot");
}

TEST(BotLifecycle, NoChatterboxNoCountLine) {
  BotFixture f({{"EnableBot=0"}});
  f.bot().Open();
  for (const std::string& text : f.view.Texts()) {
    EXPECT_EQ(text.find(W("болтуна")), std::string::npos) << text;
  }
}

TEST(BotLifecycle, EnabledBotStartsAtCreationAndAnnouncesItself) {
  BotFixture f;
  f.dir.WriteFile("botfile/help.txt", "line one\r\nline two\r\n");
  int started = 0;
  f.parts().on.life.started.push_back([&] {
    ++started;
    // Texts are loaded before the services hear of the start.
    EXPECT_EQ(f.parts().helpText.size(), 2u);
  });
  f.RecordSends(true);

  f.bot().Open();

  ASSERT_TRUE(f.bot().Running());
  EXPECT_EQ(started, 1);
  EXPECT_EQ(f.parts().helpText, (std::vector<std::string>{"line one", "line two"}));
  std::vector<std::string> texts = f.view.Texts();
  ASSERT_FALSE(texts.empty());
  std::vector<std::string> run = Between(texts, "Starting...", "Started.");
  ASSERT_GE(run.size(), 3u);
  EXPECT_EQ(run[1], "Simple sockets");
  EXPECT_EQ(run[run.size() - 2], "Shiffer enabled.");
  EXPECT_EQ(f.bot().StatusPanel(2), "Running");
  // The start counter is read after the start; a fresh others.ini gives now.
  EXPECT_EQ(f.bot().StatusPanel(3), "Last start: 06.12.2026 in 18:05");

  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].type, kPacketJoin);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[0].dstPort, f.Port());
  EXPECT_EQ(sent[0].nick, "@Pelmo_bot");
  EXPECT_EQ(sent[1].type, kPacketProbe);
  EXPECT_EQ(sent[1].dstAddr, kLoopbackBroadcast);
  f.bot().Stop();
}

TEST(BotLifecycle, StopSaysGoodbyeAndClearsTheRoster) {
  BotFixture f;
  int stopped = 0;
  f.parts().on.life.stopped.push_back([&] { ++stopped; });
  f.RecordSends(true);
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  f.parts().roster.Add("Ann (PC7)", Loopback(2));
  f.parts().dispatcher.UsrLBClick(0);
  EXPECT_EQ(f.bot().StatusPanel(1), "IP:127.0.0.2");
  f.view.Clear();
  f.ClearSent();

  f.bot().Stop();

  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(stopped, 1);
  EXPECT_TRUE(f.parts().helpText.empty());
  std::vector<std::string> texts = f.view.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts.front(), "Stoping...");
  EXPECT_EQ(texts.back(), "Stoped.");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketLeave);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(f.parts().roster.Count(), 0u);
  EXPECT_EQ(f.bot().StatusPanel(1), "IP:");
  EXPECT_EQ(f.bot().StatusPanel(2), "Stoped");
}

TEST(BotLifecycle, StopWhenStoppedOnlyClearsTheWindow) {
  BotFixture f({{"EnableBot=0"}});
  int stopped = 0;
  f.parts().on.life.stopped.push_back([&] { ++stopped; });
  f.bot().Open();
  f.parts().roster.Add("Ann (PC7)", Loopback(2));
  f.view.Clear();

  f.bot().Stop();

  EXPECT_EQ(f.view.Texts(), (std::vector<std::string>{"Stoping...", "Sniffer not enabled."}));
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(f.parts().roster.Count(), 0u);
  EXPECT_EQ(f.bot().StatusPanel(1), "IP:");
  EXPECT_EQ(f.bot().StatusPanel(2), "Stoped");
}

TEST(BotLifecycle, SecondStartFailsAndChangesNothing) {
  BotFixture f;
  int started = 0;
  f.parts().on.life.started.push_back([&] { ++started; });
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  f.view.Clear();

  f.bot().Start();

  EXPECT_EQ(f.view.Texts(),
            (std::vector<std::string>{"Starting...", "Already started.", "Not Started."}));
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(f.bot().Running());
  EXPECT_EQ(f.bot().StatusPanel(2), "Running");
  f.bot().Stop();
}

TEST(BotLifecycle, FailedStartShowsStoppedAndSaysWhy) {
  BotFixture f({{"EnableBot=0"}});
  // Hold the chat port without address reuse, so the bot cannot bind it.
  int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(f.Port());
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  int started = 0;
  f.parts().on.life.started.push_back([&] { ++started; });
  f.bot().Open();
  f.view.Clear();

  f.bot().Start();
  ::close(holder);

  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(started, 0);
  ASSERT_FALSE(f.view.lines.empty());
  EXPECT_EQ(f.view.Texts().back(), "Not Started.");
  EXPECT_EQ(f.bot().StatusPanel(2), "Stoped");
  EXPECT_EQ(f.bot().LastStartFault().kind, StartFault::Kind::kPortHeld);
}

TEST(BotLifecycle, CloseStopsAndCountsTheRun) {
  BotFixture f;
  f.dir.WriteFile("others.ini", "[START]\r\nCountStart=7\r\n");
  f.RecordSends(true);
  // The services save their own settings between the stop and the count.
  std::vector<std::string> atClose;
  f.parts().on.life.closing.push_back([&] {
    atClose.push_back(f.bot().Running() ? "running" : "stopped");
    atClose.push_back(IniFile(f.dir.FilePath("others.ini")).ReadString("START", "CountStart", ""));
  });
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  f.clock.AdvanceMinutes(75);  // 19:20
  f.ClearSent();

  f.bot().Close();

  EXPECT_EQ(atClose, (std::vector<std::string>{"stopped", "7"}));
  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(f.SentOfType(kPacketLeave).size(), 1u);
  IniFile others(f.dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadInteger("START", "CountStart", -1), 8);
  EXPECT_EQ(others.ReadString("START", "LastDate", ""), "06.12.2026");
  EXPECT_EQ(others.ReadString("START", "LastTime", ""), "19:20");
  // No refresh after the close.
  f.ClearSent();
  f.loop.Advance(milliseconds(120000));
  EXPECT_TRUE(f.Sent().empty());
}

TEST(BotLifecycle, CancelOnTheSettingsPageReloadsSettingsAndChatterbox) {
  BotFixture f({{"EnableBot=0"}});
  int chatterboxLoads = 0;
  f.parts().on.life.loadLists.push_back([&] { ++chatterboxLoads; });
  f.parts().on.life.settingsReloaded.push_back([&] { ++chatterboxLoads; });
  f.bot().Open();
  ASSERT_EQ(chatterboxLoads, 1);
  f.parts().settings.FloodE = 999;  // an unsaved edit
  f.parts().settings.ADMvle.clear();
  f.dir.WriteFile("botfile/admin.txt", "boss#pc1\r\n");

  f.bot().LoadSettings();

  EXPECT_EQ(chatterboxLoads, 2);
  EXPECT_EQ(f.parts().settings.FloodE, 10);
  ASSERT_EQ(f.parts().settings.ADMvle.size(), 1u);
  EXPECT_EQ(f.parts().settings.ADMvle[0].Nick, "boss");
}

TEST(BotLifecycle, RosterRefreshRunsEveryMinuteStartedOrNot) {
  BotFixture f({{"EnableBot=0"}});
  f.bot().Open();
  f.PrepareOffline();  // records what the stopped bot would send
  f.parts().roster.Add("Ann (PC7)", Loopback(2));

  f.loop.Advance(milliseconds(59999));
  EXPECT_EQ(f.parts().roster.Count(), 1u);
  f.loop.Advance(milliseconds(1));
  EXPECT_EQ(f.parts().roster.Count(), 0u);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketProbe);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  f.loop.Advance(milliseconds(60000));
  EXPECT_EQ(f.Sent().size(), 2u);
}

TEST(BotLifecycle, LiveBotAnswersAPeerOverLoopback) {
  BotFixture f;
  f.RecordSends(true);
  f.bot().Open();
  ASSERT_TRUE(f.bot().Running());
  // The bot hears its own join and probe at start, answers the probe and
  // so enters its own roster.
  for (int i = 0; i < 300 && f.parts().roster.Count() == 0; ++i) {
    f.loop.RunPending();
    ::usleep(10000);
  }
  ASSERT_EQ(f.parts().roster.Count(), 1u);
  EXPECT_EQ(f.parts().roster.Entries()[0].text, "@Pelmo_bot (Pelmo_bot)");
  EXPECT_EQ(f.parts().roster.Entries()[0].address, Loopback(1));
  f.ClearSent();

  // A peer on 127.0.0.2 sends a probe and a presence reply to the bot.
  int peer = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(peer, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(Loopback(2));
  ASSERT_EQ(::bind(peer, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(Loopback(1));
  to.sin_port = htons(f.Port());
  ChatPeer ann{"Ann", "PC7", Loopback(2), 0};
  // Each packet with its own stamp, as a real clock would give.
  f.clock.AdvanceMs(5);
  std::vector<std::uint8_t> probe = EncodePeerPacket(
      ann, kPacketProbe, std::vector<std::uint8_t>(12, 7), Loopback(1), f.Port(), f.clock);
  f.clock.AdvanceMs(5);
  std::vector<std::uint8_t> presence = EncodePeerPacket(
      ann, kPacketPresenceReply, std::vector<std::uint8_t>(20, 0), Loopback(1), f.Port(), f.clock);
  for (const auto& bytes : {probe, presence}) {
    ASSERT_EQ(::sendto(peer, bytes.data(), bytes.size(), 0,
                       reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(bytes.size()));
  }
  for (int i = 0; i < 300 && f.parts().roster.Count() == 1; ++i) {
    f.loop.RunPending();
    ::usleep(10000);
  }
  ::close(peer);

  ASSERT_EQ(f.parts().roster.Count(), 2u);
  EXPECT_EQ(f.parts().roster.Entries()[1].text, "Ann (PC7)");
  EXPECT_EQ(f.parts().roster.Entries()[1].address, Loopback(2));
  EXPECT_EQ(f.bot().StatusPanel(0), "Users: 2");
  std::vector<SentPacket> replies = f.SentOfType(kPacketPresenceReply);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].dstAddr, Loopback(2));
  EXPECT_EQ(replies[0].dstPort, f.Port());
  f.bot().Stop();
}

TEST(BotLifecycle, ConsoleLineGoesToTheChat) {
  BotFixture f({{"EnableBot=0"}});
  f.bot().Open();
  f.PrepareOffline();
  f.bot().SayConsoleLine(W("Всем привет"));
  f.bot().SayConsoleLine("");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketChatLine);
  EXPECT_EQ(sent[0].kind, 0);
  EXPECT_EQ(sent[0].channel, "Main");
  EXPECT_EQ(sent[0].text, W("Всем привет"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
}

TEST(BotLifecycle, ViewsHearPanelsTopicAndRoster) {
  BotFixture f({{"EnableBot=0"}});
  f.PrepareOffline();
  ChatPeer ann{"Ann", "PC7", Loopback(2), 0};
  f.ReceivePresence(ann);
  f.ReceiveTopic(ann, "Hello");
  EXPECT_EQ(f.view.rosterChanges, 1);
  ASSERT_EQ(f.view.panels.size(), 1u);
  EXPECT_EQ(f.view.panels[0], (std::pair<int, std::string>{0, "Users: 1"}));
  EXPECT_EQ(f.view.topics, std::vector<std::string>{"Hello"});

  f.bot().RemoveView(&f.view);
  f.bot().SetStatusPanel(2, "Stoped");
  f.parts().log.LogLine("unseen");
  EXPECT_EQ(f.view.panels.size(), 1u);
  EXPECT_FALSE(f.view.Contains("unseen"));
}

}  // namespace
}  // namespace pelmo
