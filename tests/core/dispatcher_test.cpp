#include "core/dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot.h"
#include "core/reactions.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest() {
    f.PrepareOffline();
    ann.nick = "Ann";
    ann.host = "PC7";
    ann.address = Loopback(2);
    ann.color = 0x00123456;
  }

  // Subscribes a recorder of its name at every step of a join and a
  // leave; the ban check halts the greetings when banned.
  void InstallJoinRecorders(bool banned = false) {
    Subscriptions& on = f.parts().on;
    const auto at = [](const ChatEvent& e) { return AddressToText(e.address); };
    on.seen.Add(SeenStep::RecordSeen, [this](const ChatEvent& e) { calls.push_back("seen " + e.nick); });
    on.greeting.Add(GreetingStep::CheckBan, [this, banned, at](const ChatEvent& e) {
      calls.push_back("ban " + e.host + " " + e.nick + " " + at(e) + " silent");
      return banned ? Flow::Halt : Flow::Continue;
    });
    on.greeting.Add(GreetingStep::UnreadMessages,
                    [this, at](const ChatEvent& e) { calls.push_back("unread " + e.nick + " " + at(e)); });
    on.greeting.Add(GreetingStep::UnreadNews,
                    [this, at](const ChatEvent& e) { calls.push_back("news " + e.nick + " " + at(e)); });
    on.greeting.Add(GreetingStep::EntryMessage, [this](const ChatEvent& e) {
      calls.push_back("entry " + e.nick);
    });
    on.greeting.Add(GreetingStep::Birthdays, [this](const ChatEvent&) { calls.push_back("birthdays"); });
    on.greeting.Add(GreetingStep::AnecdoteChannelName,
                    [this, at](const ChatEvent& e) { calls.push_back("anecdote " + at(e)); });
    on.greeting.Add(GreetingStep::QuizChannelName,
                    [this, at](const ChatEvent& e) { calls.push_back("quiz " + at(e)); });
    on.greeting.Add(GreetingStep::StartMessage,
                    [this, at](const ChatEvent& e) { calls.push_back("start " + at(e)); });
    on.greeting.Add(GreetingStep::BannedList,
                    [this, at](const ChatEvent& e) { calls.push_back("banned " + at(e)); });
    on.join.Add(JoinStep::PrivateBoxNotice,
                [this, at](const ChatEvent& e) { calls.push_back("box " + e.host + " " + at(e)); });
    on.join.Add(JoinStep::RefreshBan,
                [this](const ChatEvent& e) { calls.push_back("refreshban " + e.host); });
    on.leave.Add(LeaveStep::QuitMessage, [this](const ChatEvent& e) { calls.push_back("quit " + e.nick); });
  }

  std::string LogFile() {
    EXPECT_TRUE(f.parts().log.FlushFile());
    return f.dir.ReadFile("botfile/log.txt");
  }

  BotFixture f;
  ChatPeer ann;
  std::vector<std::string> calls;
};

TEST_F(DispatcherTest, JoinOfSelfDoesNothing) {
  InstallJoinRecorders();
  f.ReceiveJoin(f.Self());
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(f.view.lines.empty());
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_EQ(LogFile(), "");
}

TEST_F(DispatcherTest, JoinRunsEveryStepInOrder) {
  InstallJoinRecorders();
  BotParts& bot = f.parts();
  bot.SetTopic("News of the day");

  f.ReceiveJoin(ann);

  const std::vector<std::string> expected = {
      "seen Ann",
      "ban PC7 Ann 127.0.0.2 silent",
      "unread Ann 127.0.0.2",
      "news Ann 127.0.0.2",
      "entry Ann",
      "birthdays",
      "anecdote 127.0.0.2",
      "quiz 127.0.0.2",
      "start 127.0.0.2",
      "banned 127.0.0.2",
      "box PC7 127.0.0.2",
      "refreshban PC7",
  };
  EXPECT_EQ(calls, expected);

  // The window line in the joiner's colour, the file line with the time.
  ASSERT_EQ(f.view.lines.size(), 1u);
  EXPECT_EQ(f.view.lines[0].text, "Ann (PC7) joined us");
  EXPECT_EQ(f.view.lines[0].color, 0x00123456u);
  EXPECT_EQ(f.view.lines[0].prefix, "[18:05] ");
  EXPECT_EQ(LogFile(), "[18:05]Ann (PC7)" + W(": присоединился к нам.") + "\r\n");

  // A probe to the joiner, then the topic to the joiner only.
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].type, kPacketProbe);
  EXPECT_EQ(sent[0].dstAddr, Loopback(2));
  EXPECT_EQ(sent[0].payload.size(), 12u);
  EXPECT_EQ(sent[1].type, kPacketTopic);
  EXPECT_EQ(sent[1].dstAddr, Loopback(2));
  EXPECT_EQ(sent[1].channel, "Main");
  EXPECT_EQ(sent[1].text, "News of the day");
}

TEST_F(DispatcherTest, JoinSwitchesGateTheirSteps) {
  // The real services and games, each behind its own switch.
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  std::unique_ptr<Games> games = InstallGames(f.services());
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nOTHERPC=01.01.2030 00:00:00\r\n");
  f.dir.WriteFile("botfile/BirthDay.dat", std::string(134148, '\0'));
  BotParts& bot = f.parts();
  const auto joinAndCount = [this] {
    f.ClearSent();
    f.ReceiveJoin(ann);
    return f.SentOfType(kPacketChatLine).size();
  };
  const std::size_t allOn = joinAndCount();
  EXPECT_GE(allOn, 4u);

  bot.settings.BirthDayCB = false;
  bot.settings.AutoAforizmCB = false;
  bot.settings.PocazNameChanCB = false;
  bot.settings.DefaultMsgCB = false;
  bot.settings.ShowBannedCB = false;
  bot.topic.TopicLocked = true;  // empty topic still goes out, marked fixed
  EXPECT_EQ(joinAndCount(), 0u);
  std::vector<SentPacket> topics = f.SentOfType(kPacketTopic);
  ASSERT_EQ(topics.size(), 1u);
  EXPECT_EQ(topics[0].text, " (Fixed)");
}

TEST_F(DispatcherTest, JoinWhileDisabledIsLoggedProbedAndToldAboutTheBox) {
  InstallJoinRecorders();
  f.parts().settings.EnableBotCB = false;
  f.parts().SetTopic("Topic");

  f.ReceiveJoin(ann);

  const std::vector<std::string> expected = {"seen Ann", "box PC7 127.0.0.2", "refreshban PC7"};
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(f.view.Contains("Ann (PC7) joined us"));
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketProbe);
}

TEST_F(DispatcherTest, BannedJoinerGetsNoGreetingButBoxAndExpiryRun) {
  InstallJoinRecorders(/*banned=*/true);
  f.parts().SetTopic("Topic");

  f.ReceiveJoin(ann);

  const std::vector<std::string> expected = {
      "seen Ann", "ban PC7 Ann 127.0.0.2 silent", "box PC7 127.0.0.2", "refreshban PC7"};
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(f.SentOfType(kPacketTopic).empty());
  EXPECT_EQ(f.SentOfType(kPacketProbe).size(), 1u);
}

// One computer joining again and again under new names gets the greetings
// (and the defence of a locked topic) only within the flood guard's
// bounds; it is still logged, seen and probed, and others are greeted.
TEST_F(DispatcherTest, RepeatedJoinsAndTopicsFromOneAddressAreGreetedWithinTheFloodGuard) {
  InstallJoinRecorders();
  f.parts().interpreter.Guard().Configure({true, 3, 10, 60});
  const auto greeted = [this] {
    return std::count_if(calls.begin(), calls.end(),
                         [](const std::string& call) { return call.rfind("entry ", 0) == 0; });
  };
  for (int i = 0; i < 6; ++i) {
    f.ReceiveJoin(ChatPeer{"N" + std::to_string(i), "H" + std::to_string(i), Loopback(9)});
  }
  EXPECT_EQ(greeted(), 3);
  EXPECT_EQ(f.SentOfType(kPacketProbe).size(), 6u);
  EXPECT_TRUE(f.view.Contains("N5 (H5) joined us"));
  EXPECT_NE(std::find(calls.begin(), calls.end(), "seen N5"), calls.end());

  f.ReceiveJoin(ann);
  EXPECT_EQ(greeted(), 4);

  BotParts& bot = f.parts();
  bot.SetTopic("Old");
  bot.topic.TopicLocked = true;
  f.ClearSent();
  f.ReceiveTopic(ChatPeer{"N6", "H6", Loopback(9)}, "New");
  EXPECT_TRUE(f.Sent().empty());
  f.ReceiveTopic(ann, "New");
  EXPECT_EQ(f.SentOfType(kPacketTopic).size(), 1u);
}

TEST_F(DispatcherTest, JoinWithoutServicesStillLogsAndProbes) {
  f.ReceiveJoin(ann);
  EXPECT_TRUE(f.view.Contains("Ann (PC7) joined us"));
  EXPECT_EQ(f.SentOfType(kPacketProbe).size(), 1u);
}

TEST_F(DispatcherTest, LeaveRemovesEntryButPanelKeepsCount) {
  InstallJoinRecorders();
  ChatPeer bob{"Bob", "PC9", Loopback(3), 0x00FF0000};
  f.ReceivePresence(ann);
  f.ReceivePresence(bob);
  EXPECT_EQ(f.bot().StatusPanel(0), "Users: 2");

  f.ReceiveLeave(ann);

  ASSERT_EQ(f.parts().roster.Count(), 1u);
  EXPECT_EQ(f.parts().roster.Entries()[0].text, "Bob (PC9)");
  EXPECT_EQ(f.bot().StatusPanel(0), "Users: 2");
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann", "quit Ann"}));
  EXPECT_TRUE(f.view.Contains("Ann (PC7) leave us"));
  EXPECT_EQ(LogFile(), "[18:05]Ann (PC7)" + W(": покинул нас.") + "\r\n");

  // A leave of somebody not listed still logs and says goodbye.
  calls.clear();
  f.ReceiveLeave(ann);
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann", "quit Ann"}));

  // The next addition refreshes the panel.
  f.ReceivePresence(ann);
  EXPECT_EQ(f.bot().StatusPanel(0), "Users: 2");
}

TEST_F(DispatcherTest, LeaveOfSelfDoesNothing) {
  InstallJoinRecorders();
  f.ReceivePresence(f.Self());
  f.ReceiveLeave(f.Self());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(f.parts().roster.Count(), 1u);
}

TEST_F(DispatcherTest, PresenceRepliesAreUniqueByText) {
  int before = f.view.rosterChanges;
  f.ReceivePresence(ann);
  f.ReceivePresence(ann);
  ChatPeer annElsewhere = ann;
  annElsewhere.host = "PC8";
  annElsewhere.address = Loopback(4);
  f.ReceivePresence(annElsewhere);

  const auto& entries = f.parts().roster.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].text, "Ann (PC7)");
  EXPECT_EQ(entries[0].address, Loopback(2));
  EXPECT_EQ(entries[1].text, "Ann (PC8)");
  EXPECT_EQ(entries[1].address, Loopback(4));
  EXPECT_EQ(f.bot().StatusPanel(0), "Users: 2");
  EXPECT_EQ(f.view.rosterChanges - before, 2);

  f.parts().dispatcher.UsrLBClick(1);
  EXPECT_EQ(f.bot().StatusPanel(1), "IP:127.0.0.4");
  f.parts().dispatcher.UsrLBClick(5);  // no such entry: unchanged
  EXPECT_EQ(f.bot().StatusPanel(1), "IP:127.0.0.4");
}

TEST_F(DispatcherTest, ProbeIsAnsweredToTheSenderUnlessInvisible) {
  f.ReceiveProbe(ann);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketPresenceReply);
  EXPECT_EQ(sent[0].dstAddr, Loopback(2));
  const std::vector<std::uint8_t> echo = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                          0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(sent[0].payload, echo);

  // Its own probe is answered too, so the bot appears in its own roster.
  f.ClearSent();
  f.ReceiveProbe(f.Self());
  EXPECT_EQ(f.SentOfType(kPacketPresenceReply).size(), 1u);

  f.ClearSent();
  f.parts().settings.InvisibleCB = true;
  f.ReceiveProbe(ann);
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(DispatcherTest, TopicIsStoredLoggedAndFiled) {
  InstallJoinRecorders();
  f.ReceiveTopic(ann, W("Пельмени"));
  EXPECT_EQ(f.parts().topic.Topic, W("Пельмени"));
  ASSERT_EQ(f.view.topics.size(), 1u);
  ASSERT_EQ(f.view.lines.size(), 1u);
  EXPECT_EQ(f.view.lines[0].text, "Ann" + W(" сменил тему на: Пельмени"));
  EXPECT_EQ(f.view.lines[0].color, ann.color);
  EXPECT_EQ(LogFile(), "[18:05]Ann (PC7" + W("): сменил тему на: Пельмени") + "\r\n");
  EXPECT_TRUE(calls.empty());  // a topic change is not a sign of life
  EXPECT_TRUE(f.Sent().empty());

  // The bot's own topic is shown but not filed.
  f.ReceiveTopic(f.Self(), "Mine");
  EXPECT_EQ(f.parts().topic.Topic, "Mine");
  EXPECT_EQ(LogFile(), "[18:05]Ann (PC7" + W("): сменил тему на: Пельмени") + "\r\n");
}

TEST_F(DispatcherTest, LockedTopicIsDefended) {
  InstallJoinRecorders();
  BotParts& bot = f.parts();
  bot.SetTopic("Old");
  bot.topic.TopicLocked = true;

  f.ReceiveTopic(ann, "New");

  EXPECT_EQ(bot.topic.Topic, "Old");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].type, kPacketChatLine);
  EXPECT_EQ(sent[0].kind, 0);
  EXPECT_EQ(sent[0].text, W("Нельзя сменить тему!"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[1].type, kPacketTopic);
  EXPECT_EQ(sent[1].text, "Old (Fixed)");
  EXPECT_EQ(sent[1].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann"}));
  EXPECT_TRUE(f.view.lines.empty());

  // The bot's own topic packet (its echo) changes nothing and is not fought.
  f.ClearSent();
  calls.clear();
  f.ReceiveTopic(f.Self(), "Old (Fixed)");
  EXPECT_EQ(bot.topic.Topic, "Old");
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_TRUE(calls.empty());

  // Somebody on the bot's host, at its address, is not answered either;
  // the bot's host name written from another address is a stranger's.
  ChatPeer sameHost{"Eve", bot.netSettings.BotHost, Loopback(1), 0};
  f.ReceiveTopic(sameHost, "Eve's");
  EXPECT_TRUE(f.Sent().empty());
  sameHost.address = Loopback(5);
  f.ReceiveTopic(sameHost, "Eve's");
  EXPECT_EQ(f.Sent().size(), 2u);
  EXPECT_EQ(bot.topic.Topic, "Old");
  f.ClearSent();

  // Disabled bot: the lock holds silently.
  bot.settings.EnableBotCB = false;
  f.ReceiveTopic(ann, "New");
  EXPECT_TRUE(f.Sent().empty());
  EXPECT_EQ(bot.topic.Topic, "Old");
}

TEST_F(DispatcherTest, ShortTopicPayloadGivesWhatItHolds) {
  // Channel length 4 but only "Ma" present: no topic at all.
  f.Inject(ann, kPacketTopic, {0, 4, 'M', 'a'});
  EXPECT_EQ(f.parts().topic.Topic, "");
  // Topic length 200 but only 3 bytes follow (and the packet's zero fill,
  // which the receiver cannot tell from the payload): cut at the end.
  f.Inject(ann, kPacketTopic, {0, 1, 'M', 200, 'a', 'b', 'c'});
  const std::string& topic = f.parts().topic.Topic;
  EXPECT_EQ(topic.substr(0, 3), "abc");
  EXPECT_LT(topic.size(), 12u);
  EXPECT_EQ(topic.find_first_not_of('\0', 3), std::string::npos);
}

TEST_F(DispatcherTest, ColorAndChannelEventsAreLogged) {
  InstallJoinRecorders();
  f.ReceiveColor(ann);
  f.ReceiveChannelJoin(ann, "Victorina");
  f.ReceiveChannelLeave(ann, "Victorina");
  f.ReceiveColor(f.Self());
  const std::vector<std::string> texts = {
      "18:05 Ann (PC7) change color", "Ann (PC7) joined to channel",
      "Ann (PC7) leave channel", "18:05 @Pelmo_bot (Pelmo_bot) change color"};
  EXPECT_EQ(f.view.Texts(), texts);
  EXPECT_EQ(f.view.lines[1].color, ann.color);
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann", "seen Ann", "seen Ann"}));
  EXPECT_EQ(LogFile(), "");
}

TEST_F(DispatcherTest, UnknownTypesAreIgnored) {
  InstallJoinRecorders();
  for (std::uint8_t type : {3, 15, 100, 228}) f.Inject(ann, type, {1, 2, 3});
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(f.view.lines.empty());
  EXPECT_TRUE(f.Sent().empty());
}

TEST_F(DispatcherTest, FailingServiceAbortsOnlyThatPacket) {
  BotParts& bot = f.parts();
  bot.on.greeting.Add(GreetingStep::UnreadMessages, [](const ChatEvent&) {
    throw FileError("cannot open user/Ann.txt");
  });
  InstallJoinRecorders();
  f.ReceiveJoin(ann);

  EXPECT_TRUE(f.view.Contains("Error: cannot open user/Ann.txt"));
  EXPECT_EQ(f.view.lines.back().color, 0u);
  // Nothing after the failing step ran.
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann", "ban PC7 Ann 127.0.0.2 silent"}));

  // The next packet is handled normally.
  calls.clear();
  f.ReceiveLeave(ann);
  EXPECT_EQ(calls, (std::vector<std::string>{"seen Ann", "quit Ann"}));
}

// The log file is written off the main thread: a file that cannot be
// written costs its lines and one window line, never the join.
TEST_F(DispatcherTest, AnUnwritableLogFileCostsOnlyItsLines) {
  InstallJoinRecorders();
  // With botfile/ replaced by a plain file, the file line cannot be written.
  std::filesystem::remove_all(f.dir.FilePath("botfile"));
  f.dir.WriteFile("botfile", "not a folder");

  f.ReceiveJoin(ann);
  ASSERT_TRUE(f.parts().log.FlushFile());
  EXPECT_FALSE(calls.empty());
  calls.clear();
  f.ReceiveJoin(ChatPeer{"Bob", "PC9", Loopback(3), 0});
  EXPECT_FALSE(calls.empty());
  int errors = 0;
  for (const std::string& text : f.view.Texts()) {
    if (text.rfind(W("Error: не удалось записать "), 0) == 0) ++errors;
  }
  EXPECT_EQ(errors, 1);
}

TEST_F(DispatcherTest, RefreshRosterClearsAndProbesTheChatAddress) {
  f.ReceivePresence(ann);
  ASSERT_EQ(f.parts().roster.Count(), 1u);
  f.ClearSent();

  f.parts().dispatcher.RefreshRoster();

  EXPECT_EQ(f.parts().roster.Count(), 0u);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].type, kPacketProbe);
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(sent[0].dstPort, f.Port());
}

}  // namespace
}  // namespace pelmo
