#include "core/flood_guard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/reactions.h"
#include "fakes/bot_fixture.h"
#include "games/chatterbox.h"
#include "games/install_games.h"
#include "fakes/fake_clock.h"
#include "fakes/manual_event_loop.h"
#include "fakes/recording_log.h"
#include "fakes/temp_dir.h"
#include "services/install_services.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

TEST(FloodGuardSettings, ReadFromOthersIni) {
  struct Case {
    const char* file;
    bool enabled;
    int commands, seconds, ignore;
  } cases[] = {
      {"", false, 8, 10, 60},
      {"[START]\r\nCountStart=3\r\n", false, 8, 10, 60},
      {"[FloodGuard]\r\nEnabled=1\r\n", true, 8, 10, 60},
      {"[floodguard]\r\nCommands=3\r\n", true, 3, 10, 60},
      {"[FloodGuard]\r\nEnabled=0\r\nCommands=3\r\n", false, 3, 10, 60},
      {"[FloodGuard]\r\nCommands=0\r\nSeconds=-4\r\nIgnoreSeconds=999999999\r\n", true, 1, 1,
       86400},
      {"[FloodGuard]\r\nCommands=x\r\nSeconds=5\r\nIgnoreSeconds=30\r\n", true, 8, 5, 30},
      {"[FloodGuard]\r\nCommands=5000\r\nSeconds=86401\r\n", true, 1000, 86400, 60},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.WriteFile("others.ini", c.file);
    const FloodGuardSettings s = LoadFloodGuardSettings(IniFile(dir.FilePath("others.ini")));
    EXPECT_EQ(s.Enabled, c.enabled) << c.file;
    EXPECT_EQ(s.Commands, c.commands) << c.file;
    EXPECT_EQ(s.Seconds, c.seconds) << c.file;
    EXPECT_EQ(s.IgnoreSeconds, c.ignore) << c.file;
  }
}

// The shipped working folder turns the guard on and writes out every key.
TEST(FloodGuardSettings, TheShippedOthersIniNamesEveryKey) {
  const IniFile shipped(std::string(PELMO_SOURCE_DIR) + "/dist/workdir/others.ini");
  EXPECT_TRUE(LoadFloodGuardSettings(shipped).Enabled);
  for (const char* key : {"Commands", "Seconds", "IgnoreSeconds", "Replies", "Senders"}) {
    EXPECT_GT(shipped.ReadInteger("FloodGuard", key, -1), 0) << key;
  }
}

class FloodGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { guard.Configure({true, 3, 10, 60}); }

  FakeClock clock;
  ManualEventLoop loop{&clock};
  RecordingLog log;
  FloodGuard guard{loop, clock, log};
};

constexpr std::uint32_t kVasya = Loopback(7);  // 127.0.0.7
constexpr std::uint32_t kPetya = Loopback(8);

TEST_F(FloodGuardTest, OneTooManyStartsTheIgnorePeriodWhichEndsOnTime) {
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya")) << i;
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_FALSE(guard.Admit(kVasya, "PC7", "Vasya"));
  EXPECT_TRUE(guard.Ignored(kVasya));
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Texts()[0],
            W("Защита от флуда: Vasya (PC7) с адреса 127.0.0.7 — больше 3 команд за 10 с, "
              "следующие 60 с принимается одна команда за 10 с."));

  // Another computer is not touched; more from the flooder add no lines,
  // and one of them in ten seconds is still let through: the excess is
  // refused, not the sender.
  EXPECT_TRUE(guard.Admit(kPetya, "PC8", "Petya"));
  loop.Advance(9999ms);
  EXPECT_FALSE(guard.Admit(kVasya, "PC7", "Vasya"));
  loop.Advance(1ms);
  EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  EXPECT_FALSE(guard.Admit(kVasya, "PC7", "Vasya"));
  loop.Advance(49s);
  EXPECT_TRUE(guard.Ignored(kVasya));
  EXPECT_EQ(log.Lines().size(), 1u);

  loop.Advance(1s);
  EXPECT_FALSE(guard.Ignored(kVasya));
  ASSERT_EQ(log.Lines().size(), 2u);
  EXPECT_EQ(log.Texts()[1],
            W("Защита от флуда: с адреса 127.0.0.7 (PC7) команды снова принимаются без ограничения."));
  // The count starts afresh.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya")) << i;
}

TEST_F(FloodGuardTest, OnlyTheLastSecondsCount) {
  // Three at 0 s, 4 s and 9.999 s; the one at 0 s drops out at 10 s.
  EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  loop.Advance(4s);
  EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  loop.Advance(5999ms);
  EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  loop.Advance(1ms);
  EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  EXPECT_FALSE(guard.Admit(kVasya, "PC7", "Vasya"));
}

// The names in a packet are the sender's to choose: a new host name with
// every command is still one sender, and another user's host name written
// from another address is another sender.
TEST_F(FloodGuardTest, TheAddressIsTheSenderWhateverTheNames) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(guard.Admit(kVasya, "ROT" + std::to_string(i), "Nick" + std::to_string(i)));
  }
  EXPECT_FALSE(guard.Admit(kVasya, "ROT3", "Nick3"));
  EXPECT_FALSE(guard.Admit(kVasya, "PC8", "Petya"));
  EXPECT_TRUE(guard.Ignored(kVasya));

  // Petya's own host name from the flooder's address changes nothing for
  // Petya, and Petya's address is never ignored for it.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(guard.Admit(kPetya, "PC8", "Petya")) << i;
  EXPECT_FALSE(guard.Ignored(kPetya));
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_NE(log.Texts()[0].find("127.0.0.7"), std::string::npos);
}

TEST_F(FloodGuardTest, OffAdmitsEverythingAndReconfiguringEndsPeriodsSilently) {
  for (int i = 0; i < 4; ++i) guard.Admit(kVasya, "PC7", "Vasya");
  ASSERT_TRUE(guard.Ignored(kVasya));
  guard.Configure({});
  EXPECT_FALSE(guard.Ignored(kVasya));
  EXPECT_EQ(loop.ActiveTimers(), 0u);
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya"));
  EXPECT_EQ(log.Lines().size(), 1u);
}

// Thousands of computers, far more than the guard keeps, one new every
// 50 ms (200 within any 10 s), while one sender floods at once and another
// slowly: the flooders stay in their period to its end, let through once
// in ten seconds, while the others come and go, and the guard never keeps
// more than its table holds.
TEST_F(FloodGuardTest, FloodersStayIgnoredAmongThousandsOfSenders) {
  FloodGuard small(loop, clock, log, 64);
  small.Configure({true, 5, 10, 300, 1000});
  constexpr std::uint32_t kFlooder = Loopback(1, 200);
  constexpr std::uint32_t kSlow = Loopback(2, 200);
  constexpr int kStepMs = 50;
  constexpr int kIgnoreMs = 300000;

  for (int i = 0; i < 5; ++i) ASSERT_TRUE(small.Admit(kFlooder, "FLOODPC", "Flooder")) << i;
  ASSERT_FALSE(small.Admit(kFlooder, "FLOODPC", "Flooder"));

  int refusedSenders = 0, flooderAdmitted = 0, flooderFree = 0, slowAdmitted = 0;
  std::size_t mostTracked = 0;
  for (int t = 0; t < kIgnoreMs; t += kStepMs) {
    // 6000 senders, 10.0.x.y, each with a host name of its own.
    const int n = t / kStepMs;
    if (!small.Admit(0x0A000000u + static_cast<std::uint32_t>(n), "PC" + std::to_string(n),
                     "User")) {
      ++refusedSenders;
    }
    if (t % 1000 == 0) {
      if (small.Admit(kFlooder, "FLOODPC", "Flooder")) ++flooderAdmitted;
      if (!small.Ignored(kFlooder)) ++flooderFree;
    }
    // From 20 s on, one every 1.5 s (30 new senders in between): the
    // sixth, at 27.5 s, is one too many; then one in every seven asks
    // (10.5 s) gets through.
    if (t >= 20000 && (t - 20000) % 1500 == 0 && small.Admit(kSlow, "SLOWPC", "Slow")) {
      ++slowAdmitted;
    }
    mostTracked = std::max(mostTracked, small.TrackedSenders());
    loop.Advance(std::chrono::milliseconds(kStepMs));
  }
  EXPECT_EQ(refusedSenders, 0);
  EXPECT_EQ(flooderAdmitted, 29);  // at 10 s, 20 s, ... 290 s
  EXPECT_EQ(flooderFree, 0);
  EXPECT_EQ(slowAdmitted, 5 + 25);
  EXPECT_LE(mostTracked, 64u);
  ASSERT_EQ(log.Lines().size(), 3u);  // two periods started, the first just ended
  EXPECT_EQ(log.Texts()[2],
            W("Защита от флуда: с адреса 127.0.200.1 (FLOODPC) команды снова принимаются без ограничения."));

  // The period ends as configured: the flooder's now, the slow one's at
  // 327.5 s.
  EXPECT_FALSE(small.Ignored(kFlooder));
  EXPECT_TRUE(small.Admit(kFlooder, "FLOODPC", "Flooder"));
  EXPECT_TRUE(small.Ignored(kSlow));
  loop.Advance(27499ms);
  EXPECT_TRUE(small.Ignored(kSlow));
  loop.Advance(1ms);
  EXPECT_FALSE(small.Ignored(kSlow));
  EXPECT_EQ(log.Lines().size(), 4u);
}

// A table full of ignored senders fails closed: the one ignored longest
// makes room, and the newcomer has one command, counted, not an allowance.
TEST_F(FloodGuardTest, ATableOfIgnoredSendersAdmitsNobodyUncounted) {
  FloodGuard tiny(loop, clock, log, 4);
  tiny.Configure({true, 2, 10, 60});
  for (std::uint32_t a = 1; a <= 4; ++a) {
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(tiny.Admit(Loopback(a, 9), "H", "N"));
    EXPECT_FALSE(tiny.Admit(Loopback(a, 9), "H", "N"));
    loop.Advance(1s);
  }
  EXPECT_TRUE(tiny.Admit(Loopback(5, 9), "NEW", "N"));
  EXPECT_FALSE(tiny.Admit(Loopback(5, 9), "NEW", "N"));
  EXPECT_FALSE(tiny.Admit(Loopback(5, 9), "NEW", "N"));
  EXPECT_EQ(tiny.TrackedSenders(), 4u);
  EXPECT_FALSE(tiny.Ignored(Loopback(1, 9)));
  for (std::uint32_t a = 2; a <= 5; ++a) EXPECT_TRUE(tiny.Ignored(Loopback(a, 9))) << a;
}

// The bot's budget: 6 answers a second among senders that each may ask 3
// at once. A sender that has used most of its allowance cannot take the
// budget's last answers; a user present in the chat who has used none
// still can, a stranger to the roster not, and the budget fills again with
// time. A flood forged from a present user's address under other names is
// a sender apart from him. A reload with the same limits forgets nobody.
TEST_F(FloodGuardTest, TheBudgetKeepsItsLastAnswersForPresentUsersThatAskedLittle) {
  guard.Configure({true, 3, 10, 60, 6});
  constexpr std::uint32_t kMasha = Loopback(9);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(guard.Admit(kVasya, "PC7", "Vasya")) << i;
  EXPECT_TRUE(guard.Admit(kPetya, "PC8", "Petya", true));
  EXPECT_TRUE(guard.Admit(kPetya, "PC8", "Petya", true));
  EXPECT_FALSE(guard.Admit(kPetya, "PC8", "Petya", true));  // 1 left; his third needs 2.67
  EXPECT_FALSE(guard.Ignored(kPetya, true));
  EXPECT_FALSE(guard.Admit(Loopback(10), "PC10", "Kolya"));  // a stranger's first needs 1.83
  EXPECT_TRUE(guard.Admit(kMasha, "PC9", "Masha", true));
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Texts()[0],
            W("Защита от флуда: бот отвечает не больше 6 раз в секунду; не отвечено: 1."));
  loop.Advance(1s);
  EXPECT_TRUE(guard.Admit(Loopback(10), "PC10", "Kolya"));

  for (int i = 0; i < 4; ++i) guard.Admit(kMasha, "PC9", "Forger");
  EXPECT_TRUE(guard.Ignored(kMasha));
  EXPECT_FALSE(guard.Ignored(kMasha, true));
  EXPECT_TRUE(guard.Admit(kMasha, "PC9", "Masha", true));

  EXPECT_FALSE(guard.Admit(kVasya, "PC7", "Vasya"));  // his fourth: one too many
  ASSERT_TRUE(guard.Ignored(kVasya));
  guard.Configure({true, 3, 10, 60, 6});
  EXPECT_TRUE(guard.Ignored(kVasya));
}

// The guard in the interpreter: commands and answered chatterbox triggers
// count, administrators, quiz answers and plain lines do not.
class FloodGuardInterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services = InstallServices(f.services());
    f.PrepareOffline();
    f.dir.WriteFile("others.ini",
                    "[FloodGuard]\r\nCommands=3\r\nSeconds=10\r\nIgnoreSeconds=60\r\n");
    f.parts().interpreter.Guard().Configure(LoadFloodGuardSettings(f.parts().othersIni));
    f.parts().settings.ADMvle = {{"Boss", "ADMINPC"}};
    f.parts().settings.NameChanVicE = "Victorina";
    f.parts().settings.BoltunCB = true;
    f.parts().helpText = {"Help"};
    // The quiz's two ears: every line of its channel, and its commands.
    f.parts().on.line.Add(LineStep::QuizAnswer, [this](const ChatEvent& e) {
      if (e.channel == "Victorina") quiz.push_back(e.text);
    });
    f.parts().interpreter.Table().Add(CommandRow{
        .place = CommandPlace::QuizAnswer,
        .accepts = AnyCommandText,
        .channel = &f.parts().settings.NameChanVicE,
        .handler = [this](CommandContext& command) { quiz.push_back(command.command); },
    });
    f.dir.WriteFile("botfile/boltun.txt", "hi bot^hi\r\n");
    InstallChatterbox(f.services(), chatterbox);
    chatterbox.LoadPhrases();
  }

  // True when the line got an answer from the bot.
  bool Answered(const ChatPeer& peer, const std::string& text,
                const std::string& channel = "Main") {
    f.ClearSent();
    f.ReceiveLine(peer, text, channel);
    return !f.SentOfType(kPacketChatLine).empty();
  }

  BotFixture f;
  std::unique_ptr<InstalledServices> services;
  Chatterbox chatterbox{f.dir.FilePath("botfile/boltun.txt"), f.clock};
  std::vector<std::string> quiz;
  ChatPeer user{"Vasya", "PC7", Loopback(2), 0x00A000};
  ChatPeer admin{"Boss", "ADMINPC", Loopback(3), 0x0000FF};
};

TEST_F(FloodGuardInterpreterTest, CommandsAndTriggersCountButNotPlainLines) {
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(Answered(user, "just talking")) << i;
  EXPECT_TRUE(Answered(user, "!help"));
  EXPECT_TRUE(Answered(user, "Hi Bot "));
  EXPECT_TRUE(Answered(user, "!help"));
  EXPECT_FALSE(Answered(user, "!help"));
  EXPECT_FALSE(Answered(user, "hi bot"));
  EXPECT_EQ(f.view.IndexOf(W("Vasya (PC7) команда помощь."), 0) >= 0, true);

  // Ignored: lines are still logged, quiz answers still reach the quiz.
  f.view.Clear();
  f.ReceiveLine(user, "!dumplings", "Victorina");
  f.ReceiveLine(user, "dumplings", "Victorina");
  EXPECT_TRUE(f.view.Contains("{Victorina} Vasya (PC7): !dumplings"));
  // The quiz sees the whole line, then the command, as without the guard.
  EXPECT_EQ(quiz, (std::vector<std::string>{"!dumplings", "dumplings", "dumplings"}));

  // Somebody else and the administrator are answered.
  EXPECT_TRUE(Answered({"Petya", "PC8", Loopback(4), 0}, "!help"));
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(Answered(admin, "!help")) << i;

  f.loop.Advance(60s);
  EXPECT_TRUE(Answered(user, "!help"));
}

// The quiz's requests count as commands do, typed as commands or as plain
// lines of its channel; answers never count and still win while ignored.
TEST(FloodGuardQuiz, RequestsCountAnswersDoNot) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  std::unique_ptr<Games> games = InstallGames(f.services());
  f.dir.WriteFile("botfile/questions.txt", W("Столица?|Москва\r\n"));
  f.dir.WriteFile("others.ini",
                  "[FloodGuard]\r\nCommands=3\r\nSeconds=10\r\nIgnoreSeconds=60\r\n");
  f.PrepareOffline();
  f.parts().interpreter.Guard().Configure(LoadFloodGuardSettings(f.parts().othersIni));
  f.parts().settings.ADMvle = {{"Boss", "ADMINPC"}};
  const ChatPeer user{"Vasya", "PC7", Loopback(2)};
  const ChatPeer admin{"Boss", "ADMINPC", Loopback(3)};
  f.ReceiveLine(admin, W("!старт"), "Victorina");
  f.loop.Advance(8s);
  ASSERT_TRUE(games->quiz.QuestionActive());

  const auto answered = [&](const std::string& text) {
    f.ClearSent();
    f.ReceiveLine(user, text, "Victorina");
    for (const SentPacket& p : f.SentOfType(kPacketChatLine)) {
      if (p.dstAddr == user.address) return true;
    }
    return false;
  };
  EXPECT_TRUE(answered(W("!лучшие 5")));
  EXPECT_TRUE(answered(W("информация")));
  EXPECT_TRUE(answered(W("!Команды")));
  EXPECT_FALSE(answered(W("!информация")));
  EXPECT_FALSE(answered(W("команды")));
  EXPECT_FALSE(answered(W("лучшие")));

  f.ClearSent();
  f.ReceiveLine(user, W(" москва"), "Victorina");
  EXPECT_EQ(f.TakeSentTexts(), std::vector<std::string>{W("\rУГАДАЛ: Vasya, маладец!")});
}

// Vote answers are thanked before everybody: one computer answering under
// ever new names is heard until the guard ignores it, then not at all;
// another computer still votes.
TEST(FloodGuardVote, AnswersUnderNewNamesStopWithTheGuard) {
  BotFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.services());
  std::unique_ptr<Games> games = InstallGames(f.services());
  f.dir.WriteFile("others.ini",
                  "[FloodGuard]\r\nCommands=3\r\nSeconds=10\r\nIgnoreSeconds=60\r\n");
  f.PrepareOffline();
  f.parts().interpreter.Guard().Configure(LoadFloodGuardSettings(f.parts().othersIni));
  f.ReceiveLine(ChatPeer{"Ann", "PC1", Loopback(2)}, W("!vote Куда? <кино,театр>"));
  ASSERT_TRUE(games->vote.Running());

  f.ClearSent();
  for (int i = 0; i < 50; ++i) {
    f.ReceiveLine(ChatPeer{"N" + std::to_string(i), "H" + std::to_string(i), Loopback(9)}, "!!1");
  }
  // The fourth line is the one too many; it was heard before it counted.
  EXPECT_EQ(f.SentOfType(kPacketChatLine).size(), 4u);
  EXPECT_EQ(games->vote.Votes()[0].Voters.size(), 4u);

  f.ReceiveLine(ChatPeer{"Bob", "PC2", Loopback(3)}, "!!2");
  EXPECT_EQ(games->vote.Votes()[1].Voters, std::vector<std::string>{"Bob"});
}

// Password-channel commands (a box read out) count with the others; the
// plain lines delivered there do not.
TEST_F(FloodGuardInterpreterTest, PasswordChannelCommandsCountButNotItsLines) {
  int read = 0;
  f.parts().interpreter.Table().Add(CommandRow{
      .place = CommandPlace::ReadBox,
      .aliases = {"peek"},
      .lineKind = kKindPassword,
      .handler = [&read](CommandContext&) { ++read; },
  });
  for (int i = 0; i < 10; ++i) f.ReceivePasswordLine(user, "a line", "Room", "pw");
  for (int i = 0; i < 4; ++i) f.ReceivePasswordLine(user, "!peek", "Room", "pw");
  EXPECT_EQ(read, 3);
  EXPECT_FALSE(Answered(user, "!help"));
  EXPECT_TRUE(Answered({"Petya", "PC8", Loopback(4), 0}, "!help"));
}

TEST_F(FloodGuardInterpreterTest, MissingSectionLeavesItOff) {
  f.dir.WriteFile("others.ini", "");
  f.parts().interpreter.Guard().Configure(LoadFloodGuardSettings(f.parts().othersIni));
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(Answered(user, "!help")) << i;
}

}  // namespace
}  // namespace pelmo
