// The real pelmobot on loopback, in broadcast mode to 127.255.255.255 on a
// free high port, with a second chat participant made of real sockets: one
// bound to the broadcast address hears what the bot says to everybody, one
// bound to 127.0.0.2 and the chat port talks to the bot and hears its
// unicast replies.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

#define REQUIRE_PROGRAM() \
  if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built"

class PelmobotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port));
  }

  std::unique_ptr<ChildProcess> StartBot(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--dir", dir.Path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return std::make_unique<ChildProcess>(kPelmobotProgram, args);
  }

  // The broadcast listener and the peer's own socket, bound before the bot
  // starts so that its announcements are heard.
  void BindPeer() {
    ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
    ASSERT_TRUE(peer.Bind(kPeerAddress, port));
    ASSERT_TRUE(peer.EnableBroadcast());
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer everybody;
  UdpPeer peer;
};

TEST_F(PelmobotTest, TakesPartInTheChatAndSaysGoodbyeOnSigterm) {
  REQUIRE_PROGRAM();
  BindPeer();
  auto bot = StartBot();

  // The join and the probe, to everybody.
  std::optional<PeerPacket> join = FromBot(everybody, kPacketJoin);
  ASSERT_TRUE(join) << "no join announcement";
  EXPECT_EQ(join->Header.SenderHost, "Pelmo_bot");
  EXPECT_EQ(join->Payload.size() >= 2 ? join->Payload[0] : 0, 3);
  ASSERT_TRUE(FromBot(everybody, kPacketProbe)) << "no probe at start";
  ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));

  // Our probe is answered at our address, echoing its 12 bytes.
  const std::vector<std::uint8_t> probe = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 11, 12};
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketProbe, probe));
  std::optional<PeerPacket> presence = FromBot(peer, kPacketPresenceReply);
  ASSERT_TRUE(presence) << "no presence reply";
  ASSERT_EQ(presence->Payload.size() >= 20, true);
  EXPECT_EQ(std::vector<std::uint8_t>(presence->Payload.begin(), presence->Payload.begin() + 12),
            probe);

  // Our join is logged and answered with a probe at our address.
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketJoin, {3, 0}));
  EXPECT_TRUE(FromBot(peer, kPacketProbe)) << "no probe back after the join";
  EXPECT_TRUE(bot->WaitForOutPart("] Tester (TESTPC) joined us", 5s));

  // A topic change shows in the log, in UTF-8.
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketTopic,
                              TopicPayload("Main", W("Пельмени по пятницам"))));
  EXPECT_TRUE(bot->WaitForOutPart("] Tester сменил тему на: Пельмени по пятницам", 5s));

  // SIGTERM: the leave packet, exit 0, the run counted.
  bot->Signal(SIGTERM);
  EXPECT_TRUE(FromBot(everybody, kPacketLeave)) << "no leave announcement";
  std::optional<int> status = bot->Wait(10s);
  ASSERT_TRUE(status) << "did not end after SIGTERM";
  EXPECT_EQ(*status, 0);
  IniFile others(dir.FilePath("others.ini"));
  EXPECT_EQ(others.ReadInteger("start", "CountStart", -1), 1);
  EXPECT_FALSE(others.ReadString("start", "LastTime", "").empty());

  // Every line: "[hh:nn] " and text, UTF-8, no colour codes on a pipe.
  const std::regex format(R"(\[([01][0-9]|2[0-3]):[0-5][0-9]\] .*)");
  std::vector<std::string> lines = bot->OutLines();
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::regex_match(line, format)) << line;
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
  }
  EXPECT_EQ(lines.back().substr(8), "Stoped.");
  EXPECT_TRUE(bot->ErrLines().empty());
}

TEST_F(PelmobotTest, SigintClosesLikeSigterm) {
  REQUIRE_PROGRAM();
  dir.WriteFile("others.ini", "[START]\r\nCountStart=4\r\n");
  BindPeer();
  auto bot = StartBot();
  ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  bot->Signal(SIGINT);
  EXPECT_TRUE(FromBot(everybody, kPacketLeave));
  std::optional<int> status = bot->Wait(10s);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 0);
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 5);
}

TEST_F(PelmobotTest, OneBotPerFolder) {
  REQUIRE_PROGRAM();
  auto first = StartBot();
  ASSERT_TRUE(first->WaitForOutPart("] Started.", 5s));

  auto second = StartBot();
  std::optional<int> status = second->Wait(5s);
  ASSERT_TRUE(status) << "the second instance kept running";
  EXPECT_NE(*status, 0);
  EXPECT_EQ(second->ErrLines().size(), 1u);
  EXPECT_TRUE(second->OutLines().empty());

  // Another folder is another bot.
  TempDir otherDir;
  otherDir.WriteFile("Net.ini", LoopbackNetIni(FindFreeLoopbackPort()));
  ChildProcess other(kPelmobotProgram, {"--dir", otherDir.Path()});
  EXPECT_TRUE(other.WaitForOutPart("] Started.", 5s));
  other.Signal(SIGTERM);
  EXPECT_EQ(other.Wait(10s), std::optional<int>(0));

  first->Signal(SIGTERM);
  EXPECT_EQ(first->Wait(10s), std::optional<int>(0));
}

TEST_F(PelmobotTest, OnATerminalLinesAreColouredAndTypedLinesGoToTheChat) {
  REQUIRE_PROGRAM();
  BindPeer();
  ChildProcess bot(kPelmobotProgram, {"--dir", dir.Path()}, /*terminal=*/true);
  ASSERT_TRUE(bot.WaitForOutPart("] Started.", 5s));

  // A line in the sender's colour (0x00BBGGRR 0x00FF8000: blue 255,
  // green 128, red 0); the prefix stays plain.
  peer.Color = 0x00FF8000;
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketJoin, {3, 0}));
  std::optional<std::string> joined = bot.WaitForOutPart("Tester (TESTPC) joined us", 5s);
  ASSERT_TRUE(joined);
  EXPECT_TRUE(std::regex_match(
      *joined, std::regex("\\[[0-9]{2}:[0-9]{2}\\] \x1b\\[38;2;0;128;255mTester \\(TESTPC\\) joined us\x1b\\[0m")))
      << *joined;
  // Colour 0 lines carry no codes.
  for (const std::string& line : bot.OutLines()) {
    if (line.find("Started.") != std::string::npos) {
      EXPECT_EQ(line.find('\x1b'), std::string::npos);
    }
  }

  // Control characters from the chat cannot drive the terminal; line
  // breaks inside a text start a new, indented output line, which cannot
  // pass for an entry of its own.
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketTopic,
                              TopicPayload("Main", "A\x1b[2J\aB\r\nC")));
  std::optional<std::string> topic = bot.WaitForOutPart("A?[2J?B", 5s);
  ASSERT_TRUE(topic);
  EXPECT_EQ(topic->substr(topic->size() - 7), "A?[2J?B");
  EXPECT_TRUE(bot.WaitForOutLine([](const std::string& line) { return line == "    C\x1b[0m"; }, 5s));

  // A typed line (UTF-8) is said in the main channel, in Windows-1251.
  ASSERT_TRUE(bot.Type("Всем привет\n"));
  std::optional<PeerPacket> said;
  while ((said = FromBot(everybody, kPacketChatLine))) {
    if (said->Payload.size() > 6 && said->Payload[0] == 0) {
      std::string text(said->Payload.begin() + 6, said->Payload.end());
      text = text.substr(0, text.find('\0'));
      if (text == W("Всем привет")) break;
    }
  }
  ASSERT_TRUE(said) << "the typed line was not sent";
  EXPECT_EQ(std::string(said->Payload.begin() + 2, said->Payload.begin() + 6), "Main");

  // The end of the input does not stop the bot: it still answers. A last
  // line without its line end is said all the same.
  ASSERT_TRUE(bot.Type("Пока\x04"));
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(bot.Type("\x04"));
  bool saidLast = false;
  while (!saidLast && (said = FromBot(everybody, kPacketChatLine))) {
    if (said->Payload.size() <= 6) continue;
    std::string text(said->Payload.begin() + 6, said->Payload.end());
    saidLast = text.substr(0, text.find('\0')) == W("Пока");
  }
  EXPECT_TRUE(saidLast) << "the unfinished last line was not sent";
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketProbe,
                              std::vector<std::uint8_t>(12, 1)));
  EXPECT_TRUE(FromBot(peer, kPacketPresenceReply));
  EXPECT_FALSE(bot.Wait(0ms));

  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.Wait(10s), std::optional<int>(0));
}

// pelmobot in the background of a terminal session, where "pelmobot &"
// typed into an interactive shell puts it: a session leader holds the
// pseudo-terminal as its controlling terminal and waits for the bot, which
// runs in a process group of its own, not the terminal's foreground group.
class BackgroundBot {
 public:
  BackgroundBot(const std::string& program, const std::string& dir) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
    const std::string slave = ::ptsname(m_master);
    ::fcntl(m_master, F_SETFL, O_NONBLOCK);
    int pidPipe[2];
    if (::pipe2(pidPipe, O_CLOEXEC) != 0) return;
    const char* argv[] = {program.c_str(), "--dir", dir.c_str(), nullptr};
    m_leader = ::fork();
    if (m_leader == 0) {
      // Only async-signal-safe calls from here on.
      ::setsid();
      int tty = ::open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
      pid_t bot = ::fork();
      if (bot == 0) {
        ::setpgid(0, 0);
        ::dup2(tty, STDIN_FILENO);
        ::dup2(tty, STDOUT_FILENO);
        ::dup2(tty, STDERR_FILENO);
        if (tty > STDERR_FILENO) ::close(tty);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
      }
      ::setpgid(bot, bot);
      (void)!::write(pidPipe[1], &bot, sizeof bot);
      int status = 0;
      ::waitpid(bot, &status, 0);
      ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    ::close(pidPipe[1]);
    if (::read(pidPipe[0], &m_bot, sizeof m_bot) != sizeof m_bot) m_bot = -1;
    ::close(pidPipe[0]);
  }

  ~BackgroundBot() {
    if (m_bot > 0 && !m_status) ::kill(m_bot, SIGKILL);
    if (m_leader > 0 && !m_status) ::waitpid(m_leader, nullptr, 0);
    if (m_master >= 0) ::close(m_master);
  }

  bool Started() const { return m_bot > 0; }
  pid_t Pid() const { return m_bot; }
  bool Type(const std::string& bytes) {
    return ::write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads the terminal until its output holds part.
  bool WaitForOutput(const std::string& part, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
      char buffer[4096];
      ssize_t count;
      while ((count = ::read(m_master, buffer, sizeof buffer)) > 0) {
        m_output.append(buffer, static_cast<std::size_t>(count));
      }
      if (m_output.find(part) != std::string::npos) return true;
      std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }
  // The state letter of /proc/<pid>/stat ('T' stopped, 'S' sleeping...).
  char State() const {
    std::ifstream stat("/proc/" + std::to_string(m_bot) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
  }
  // The bot's exit code (as the leader passes it on), nullopt on timeout.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_status && std::chrono::steady_clock::now() < deadline) {
      WaitForOutput("", 0ms);  // keeps the terminal from filling up
      int status = 0;
      if (::waitpid(m_leader, &status, WNOHANG) == m_leader) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else {
        std::this_thread::sleep_for(20ms);
      }
    }
    return m_status;
  }

 private:
  int m_master = -1;
  pid_t m_leader = -1;
  pid_t m_bot = -1;
  std::optional<int> m_status;
  std::string m_output;
};

TEST_F(PelmobotTest, InTheBackgroundOfATerminalTypingDoesNotStopTheBot) {
  REQUIRE_PROGRAM();
  BindPeer();
  BackgroundBot bot(kPelmobotProgram, dir.Path());
  ASSERT_TRUE(bot.Started());
  ASSERT_TRUE(bot.WaitForOutput("] Started.", 5s));

  // Typed for the shell in the foreground; the bot must not take it, nor
  // be stopped for trying.
  ASSERT_TRUE(bot.Type("ls\n"));
  std::this_thread::sleep_for(300ms);
  EXPECT_NE(bot.State(), 'T') << "the bot was stopped by the terminal";
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketProbe,
                              std::vector<std::uint8_t>(12, 5)));
  EXPECT_TRUE(FromBot(peer, kPacketPresenceReply, 2s)) << "the bot does not answer";

  ::kill(bot.Pid(), SIGCONT);  // lets a stopped bot see the SIGTERM at once
  ::kill(bot.Pid(), SIGTERM);
  EXPECT_TRUE(FromBot(everybody, kPacketLeave));
  EXPECT_EQ(bot.Wait(10s), std::optional<int>(0));
}

// A BirthDay.dat with one entry.
std::string BirthdayBlock(int day, int month) {
  std::string block(134148, '\0');
  block[0] = 3;
  block.replace(1, 3, "Ann");
  block[512] = static_cast<char>(day);
  block[516] = static_cast<char>(month);
  block[520] = static_cast<char>(1990 & 0xFF);
  block[521] = static_cast<char>(1990 >> 8);
  block[134144] = 1;
  return block;
}

TEST_F(PelmobotTest, BirthdayCheckStartWithoutBirthdayTouchesNothing) {
  REQUIRE_PROGRAM();
  // Three days from now: neither today nor tomorrow, whenever the test runs.
  DateTimeParts later = DecodeDateTime(DateOf(SystemClock().Now()) + 3);
  dir.WriteFile("botfile/BirthDay.dat", BirthdayBlock(later.day, later.month));
  const std::vector<std::string> before = dir.List();

  ChildProcess bot(kPelmobotProgram, {"--dir", dir.Path(), "/autostart"});
  EXPECT_EQ(bot.Wait(5s), std::optional<int>(0));
  EXPECT_TRUE(bot.OutLines().empty());
  // One line says why nothing started.
  EXPECT_EQ(bot.ErrLines(),
            std::vector<std::string>{
                "pelmobot: started with an argument, so only for a birthday; nobody in "
                "botfile/BirthDay.dat has one today or tomorrow: the bot does not start "
                "(start it without arguments, or with --dir DIR)"});
  EXPECT_EQ(dir.List(), before);
  EXPECT_EQ(dir.List("botfile"), std::vector<std::string>{"BirthDay.dat"});

  // After "--" an argument that looks like an option is an argument.
  ChildProcess dashed(kPelmobotProgram, {"--dir", dir.Path(), "--", "-autostart"});
  EXPECT_EQ(dashed.Wait(5s), std::optional<int>(0));
  EXPECT_TRUE(dashed.OutLines().empty());
  EXPECT_EQ(dir.List(), before);
}

TEST_F(PelmobotTest, BirthdayCheckStartWithABirthdayTomorrowRuns) {
  REQUIRE_PROGRAM();
  DateTimeParts tomorrow = DecodeDateTime(DateOf(SystemClock().Now()) + 1);
  dir.WriteFile("botfile/BirthDay.dat", BirthdayBlock(tomorrow.day, tomorrow.month));

  ChildProcess bot(kPelmobotProgram, {"--dir", dir.Path(), "/autostart"});
  EXPECT_TRUE(bot.WaitForOutPart("] Started.", 5s));
  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.Wait(10s), std::optional<int>(0));
}

TEST_F(PelmobotTest, HelpVersionAndBadArguments) {
  REQUIRE_PROGRAM();
  ChildProcess help(kPelmobotProgram, {"--help"});
  EXPECT_EQ(help.Wait(5s), std::optional<int>(0));
  EXPECT_FALSE(help.OutLines().empty());
  ChildProcess version(kPelmobotProgram, {"--version"});
  EXPECT_EQ(version.Wait(5s), std::optional<int>(0));
  ASSERT_EQ(version.OutLines().size(), 1u);
  EXPECT_NE(version.OutLines()[0].find("1.3"), std::string::npos);
  ChildProcess noFolder(kPelmobotProgram, {"--dir"});
  EXPECT_EQ(noFolder.Wait(5s), std::optional<int>(2));
  // A mistyped option is refused, not taken for the birthday-check start.
  const std::vector<std::string> before = dir.List();
  ChildProcess mistyped(kPelmobotProgram, {"--dir", dir.Path(), "--verbose"});
  EXPECT_EQ(mistyped.Wait(5s), std::optional<int>(2));
  ASSERT_FALSE(mistyped.ErrLines().empty());
  EXPECT_NE(mistyped.ErrLines()[0].find("--verbose"), std::string::npos);
  EXPECT_TRUE(mistyped.OutLines().empty());
  EXPECT_EQ(dir.List(), before);
  ChildProcess missing(kPelmobotProgram, {"--dir", dir.FilePath("nowhere")});
  std::optional<int> status = missing.Wait(5s);
  ASSERT_TRUE(status);
  EXPECT_NE(*status, 0);
  EXPECT_FALSE(missing.ErrLines().empty());
}

}  // namespace
}  // namespace pelmo
