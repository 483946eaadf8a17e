#include "core/reactions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

TEST(Reactions, RunInTheOrderOfTheirStepsWhateverTheOrderOfSubscription) {
  Reactions<GreetingStep> greeting;
  std::vector<std::string> ran;
  const auto note = [&ran](const char* name) {
    return [&ran, name](const ChatEvent&) { ran.push_back(name); };
  };
  greeting.Add(GreetingStep::BannedList, note("banned"));
  greeting.Add(GreetingStep::EntryMessage, note("entry 1"));
  greeting.Add(GreetingStep::CheckBan, note("ban"));
  greeting.Add(GreetingStep::EntryMessage, note("entry 2"));
  EXPECT_TRUE(greeting.Run(ChatEvent{}));
  EXPECT_EQ(ran, (std::vector<std::string>{"ban", "entry 1", "entry 2", "banned"}));
}

TEST(Reactions, AHaltEndsTheRun) {
  Reactions<LineStep> line;
  std::vector<std::string> ran;
  line.Add(LineStep::CheckBan, [&ran](const ChatEvent& e) {
    ran.push_back("ban");
    return e.nick == "Bad" ? Flow::Halt : Flow::Continue;
  });
  line.Add(LineStep::QuizAnswer, [&ran](const ChatEvent&) { ran.push_back("quiz"); });
  ChatEvent bad;
  bad.nick = "Bad";
  EXPECT_FALSE(line.Run(bad));
  EXPECT_EQ(ran, (std::vector<std::string>{"quiz", "ban"}));
}

// A new command is one row: its place, aliases, condition and handler; the
// table does the rest (note, channel, kind of line, prefixes).
TEST(CommandRows, ConditionsAreRowData) {
  BotFixture f;
  f.PrepareOffline();
  std::vector<std::string> answered;
  f.parts().interpreter.Table().Add(CommandRow{
      .place = CommandPlace::Weather,
      .aliases = {"ping"},
      .note = ") ping.",
      .channel = &f.parts().settings.NameChanVicE,
      .prefixes = "!",
      .handler = [&answered](CommandContext& c) {
        answered.push_back(c.event.nick + "@" + c.event.channel);
      },
  });
  f.parts().interpreter.Table().Add(CommandRow{
      .place = CommandPlace::ReadBox,
      .aliases = {"ping"},
      .lineKind = kKindPassword,
      .handler = [&answered](CommandContext& c) { answered.push_back("box " + c.event.password); },
  });
  const ChatPeer ann{"Ann", "PC1", Loopback(2), 0};
  f.ReceiveLine(ann, "!ping", "Main");
  f.ReceiveLine(ann, "\\ping", "Victorina");
  f.ReceiveLine(ann, "!ping", "Victorina");
  f.ReceivePasswordLine(ann, "\\ping", "Ann_box", "pw");
  EXPECT_EQ(answered, (std::vector<std::string>{"Ann@Victorina", "box pw"}));
  EXPECT_TRUE(f.view.Contains("Ann (PC1) ping."));
}

// Every reaction and row is handed the event of its own packet: a handler
// that keeps it answers its own sender, whoever wrote since.
TEST(CommandRows, AKeptEventStillNamesItsSender) {
  BotFixture f;
  f.PrepareOffline();
  std::vector<ChatEvent> kept;
  f.parts().on.line.Add(LineStep::VoteAnswer, [&kept](const ChatEvent& e) { kept.push_back(e); });
  f.ReceiveLine({"Ann", "PC1", Loopback(2), 0}, "first");
  f.ReceiveLine({"Bob", "PC2", Loopback(3), 0}, "second");
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].nick, "Ann");
  EXPECT_EQ(kept[0].address, Loopback(2));
  EXPECT_EQ(kept[0].text, "first");
  EXPECT_EQ(kept[1].host, "PC2");
}

}  // namespace
}  // namespace pelmo
