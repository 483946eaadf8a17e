// The Windows program (pelmobot.exe, cross-built) under wine, driven from
// Linux on loopback as the Linux program is: real sockets of a native
// peer, Ctrl+C as SIGINT (wine hands it to the console handler as
// CTRL_C_EVENT; SIGTERM would kill the process outright), and the files it
// writes set against those of the Linux program given the same chat.
// Skipped unless the build was configured with PELMO_WINDOWS_PROGRAM.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

#if defined(PELMOBOT_EXE) && defined(PELMO_WINE)
constexpr const char* kExe = PELMOBOT_EXE;
constexpr const char* kWine = PELMO_WINE;
#else
constexpr const char* kExe = nullptr;
constexpr const char* kWine = nullptr;
#endif
#ifdef PELMOBOT_PATH
constexpr const char* kLinuxProgram = PELMOBOT_PATH;
#else
constexpr const char* kLinuxProgram = nullptr;
#endif

// Wine's own diagnostics would mix with the program's standard error.
#define REQUIRE_EXE()                                                                          \
  if (kExe == nullptr) GTEST_SKIP() << "configure with -DPELMO_WINDOWS_PROGRAM=.../pelmobot.exe"; \
  ::setenv("WINEDEBUG", "-all", 1)

constexpr std::uint32_t kPeerAddress = Loopback(2);
// Wine starts slower than a native program, the first time in a fresh
// prefix much slower.
constexpr auto kStartTimeout = 60s;

const std::string kHelp = W("Команды бота:\r\n!help - помощь\r\n");

// One bot (either program) in a working folder, with the chat's two
// loopback sockets of a peer.
class Session {
 public:
  Session(const TempDir& dir, std::uint16_t port, bool windows) : m_port(port) {
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0"}));
    dir.WriteFile("botfile/help.txt", kHelp);
    dir.WriteFile("botfile/admin.txt", "Tester#TESTPC\r\n");
    m_ok = everybody.Bind(kLoopbackBroadcast, port) && peer.Bind(kPeerAddress, port) &&
           peer.EnableBroadcast();
    if (windows) {
      bot = std::make_unique<ChildProcess>(kWine, std::vector<std::string>{kExe, "--dir", dir.Path()});
    } else {
      bot = std::make_unique<ChildProcess>(kLinuxProgram,
                                           std::vector<std::string>{"--dir", dir.Path()});
    }
  }
  bool Bound() const { return m_ok; }

  std::optional<PeerPacket> FromBot(UdpPeer& socket, std::uint8_t type,
                                    std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      std::optional<PeerPacket> packet = socket.ReceivePacketOfType(type, left);
      if (packet && packet->Header.SenderNick == "@Pelmo_bot") return packet;
    }
    return std::nullopt;
  }
  bool Send(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
    return peer.SendPacket(kLoopbackBroadcast, m_port, type, payload);
  }
  // The text of the bot's next chat line to the peer.
  std::optional<std::string> NextLineToPeer() {
    std::optional<PeerPacket> line = FromBot(peer, kPacketChatLine);
    if (!line) return std::nullopt;
    const std::vector<std::uint8_t>& p = line->Payload;
    if (p.size() < 2 || p.size() < 2u + p[1]) return std::string();
    std::string text(p.begin() + 2 + p[1], p.end());
    return text.substr(0, text.find('\0'));
  }

  std::unique_ptr<ChildProcess> bot;
  UdpPeer everybody;
  UdpPeer peer;

 private:
  std::uint16_t m_port;
  bool m_ok = false;
};

// What the files of a working folder hold, with the clock's readings
// (times "hh:nn", dates "dd.mm.yyyy") masked, as two runs never share them.
std::vector<std::pair<std::string, std::string>> FolderContents(const TempDir& dir) {
  static const std::regex time("[0-9]{2}:[0-9]{2}");
  static const std::regex date("[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}");
  std::vector<std::pair<std::string, std::string>> contents;
  for (const std::string& folder : {std::string(), std::string("botfile"), std::string("user")}) {
    for (const std::string& name : dir.List(folder)) {
      const std::string path = folder.empty() ? name : folder + "/" + name;
      // The Linux program's lock file has no Windows counterpart (a mutex).
      if (name == "pelmobot.lock" || !FileExists(dir.FilePath(path))) continue;
      std::string bytes = dir.ReadFile(path);
      bytes = std::regex_replace(std::regex_replace(bytes, date, "<date>"), time, "<time>");
      contents.emplace_back(path, bytes);
    }
  }
  return contents;
}

// The chat both programs get in the comparison: a join, a probe, "!help"
// and a line in Russian; then Ctrl+C.
void PlayTheChat(Session& s) {
  ASSERT_TRUE(s.FromBot(s.everybody, kPacketJoin, kStartTimeout)) << "no join announcement";
  ASSERT_TRUE(s.bot->WaitForOutPart("] Started.", 10s));
  ASSERT_TRUE(s.Send(kPacketJoin, {3, 0}));
  ASSERT_TRUE(s.FromBot(s.peer, kPacketProbe)) << "no probe back after the join";
  ASSERT_TRUE(s.Send(kPacketProbe, std::vector<std::uint8_t>(12, 7)));
  ASSERT_TRUE(s.FromBot(s.peer, kPacketPresenceReply)) << "no presence reply";
  ASSERT_TRUE(s.Send(kPacketChatLine, ChatLinePayload("Main", "!help")));
  EXPECT_EQ(s.NextLineToPeer(), std::optional<std::string>(kHelp));
  ASSERT_TRUE(s.Send(kPacketChatLine, ChatLinePayload("Main", W("Всем привет, пельмени!"))));
  ASSERT_TRUE(s.bot->WaitForOutPart("Всем привет, пельмени!", 10s));
  s.bot->Signal(SIGINT);
  EXPECT_TRUE(s.FromBot(s.everybody, kPacketLeave)) << "no leave announcement";
  EXPECT_EQ(s.bot->Wait(20s), std::optional<int>(0));
}

TEST(WindowsProgram, TakesPartInTheChatAndLeavesOnCtrlC) {
  REQUIRE_EXE();
  TempDir dir;
  Session s(dir, FindFreeLoopbackPort(), /*windows=*/true);
  ASSERT_TRUE(s.Bound());
  PlayTheChat(s);

  // The log: "[hh:nn] " and UTF-8 text, "\n" line ends (no text-mode CR;
  // a text of several lines, such as the help, goes on without a prefix),
  // nothing on standard error.
  const std::regex format(R"(\[([01][0-9]|2[0-3]):[0-5][0-9]\] .*)");
  const std::vector<std::string> lines = s.bot->OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(std::regex_match(lines.front(), format)) << lines.front();
  for (const std::string& line : lines) EXPECT_EQ(line.find('\r'), std::string::npos) << line;
  EXPECT_NE(std::find(lines.begin(), lines.end(), lines.front().substr(0, 8) + "Starting..."),
            lines.end());
  EXPECT_EQ(lines.back().substr(8), "Stoped.");
  EXPECT_TRUE(s.bot->ErrLines().empty()) << s.bot->ErrLines().front();
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
  // Files in binary mode: CR LF stays CR LF.
  const std::string log = dir.ReadFile("botfile/log.txt");
  EXPECT_EQ(log.find("\r\r"), std::string::npos);
  EXPECT_NE(log.find(W("Всем привет, пельмени!") + "\r\n"), std::string::npos);
}

TEST(WindowsProgram, WritesTheSameFilesAsTheLinuxProgram) {
  REQUIRE_EXE();
  ASSERT_NE(kLinuxProgram, nullptr);
  const std::uint16_t port = FindFreeLoopbackPort();
  TempDir linuxDir;
  {
    Session s(linuxDir, port, /*windows=*/false);
    ASSERT_TRUE(s.Bound());
    PlayTheChat(s);
  }
  TempDir windowsDir;
  {
    Session s(windowsDir, port, /*windows=*/true);
    ASSERT_TRUE(s.Bound());
    PlayTheChat(s);
  }
  const auto linuxFiles = FolderContents(linuxDir);
  const auto windowsFiles = FolderContents(windowsDir);
  ASSERT_FALSE(linuxFiles.empty());
  EXPECT_EQ(windowsFiles.size(), linuxFiles.size());
  for (const auto& [path, bytes] : linuxFiles) {
    auto other = std::find_if(windowsFiles.begin(), windowsFiles.end(),
                              [&path = path](const auto& entry) { return entry.first == path; });
    ASSERT_NE(other, windowsFiles.end()) << path << " was not written";
    EXPECT_EQ(other->second, bytes) << path;
  }
}

// Log-off and shut-down reach a program that has loaded the window system
// only as window messages, and wine's end of the session sends them so.
// Wine makes windows only on a display: an Xvfb of the test's own.
TEST(WindowsProgram, SaysGoodbyeWhenTheSessionEnds) {
  REQUIRE_EXE();
  constexpr const char* kXvfb = "/usr/bin/Xvfb";
  if (::access(kXvfb, X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  ChildProcess xvfb(kXvfb, {"-displayfd", "1", "-nolisten", "tcp"});
  const std::optional<std::string> display =
      xvfb.WaitForOutLine([](const std::string& line) { return !line.empty(); }, 20s);
  ASSERT_TRUE(display) << "Xvfb did not start";
  ::setenv("DISPLAY", (":" + *display).c_str(), 1);
  struct WithoutDisplayAfter {
    ~WithoutDisplayAfter() { ::unsetenv("DISPLAY"); }
  } withoutDisplayAfter;

  TempDir dir;
  Session s(dir, FindFreeLoopbackPort(), /*windows=*/true);
  ASSERT_TRUE(s.Bound());
  ASSERT_TRUE(s.FromBot(s.everybody, kPacketJoin, kStartTimeout)) << "no join announcement";
  ASSERT_TRUE(s.bot->WaitForOutPart("] Started.", 10s));
  // Away from the test's pipes: wine's services, started again after the
  // end, would hold them open.
  ChildProcess endSession("/bin/sh", {"-c", "\"$0\" wineboot --end-session >/dev/null 2>&1",
                                      kWine});
  EXPECT_TRUE(s.FromBot(s.everybody, kPacketLeave)) << "no leave announcement";
  EXPECT_EQ(s.bot->Wait(20s), std::optional<int>(0));
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
  EXPECT_TRUE(endSession.Wait(20s));
}

TEST(WindowsProgram, RefusesASecondInstance) {
  REQUIRE_EXE();
  TempDir dir;
  dir.WriteFile("Net.ini", LoopbackNetIni(FindFreeLoopbackPort()));
  ChildProcess first(kWine, {kExe, "--dir", dir.Path()});
  ASSERT_TRUE(first.WaitForOutPart("] Started.", kStartTimeout));

  // Even in another folder: the mutex is one per session.
  TempDir otherDir;
  otherDir.WriteFile("Net.ini", LoopbackNetIni(FindFreeLoopbackPort()));
  ChildProcess second(kWine, {kExe, "--dir", otherDir.Path()});
  std::optional<int> status = second.Wait(30s);
  ASSERT_TRUE(status) << "the second instance kept running";
  EXPECT_NE(*status, 0);
  ASSERT_EQ(second.ErrLines().size(), 1u);
  EXPECT_NE(second.ErrLines()[0].find("MyOwnMutex"), std::string::npos);
  EXPECT_TRUE(second.OutLines().empty());

  first.Signal(SIGINT);
  EXPECT_EQ(first.Wait(20s), std::optional<int>(0));
  // Once the first has gone, a new one starts.
  ChildProcess third(kWine, {kExe, "--dir", otherDir.Path()});
  EXPECT_TRUE(third.WaitForOutPart("] Started.", kStartTimeout));
  third.Signal(SIGINT);
  EXPECT_EQ(third.Wait(20s), std::optional<int>(0));
}

TEST(WindowsProgram, LinesTypedOnTheConsoleGoToTheChat) {
  REQUIRE_EXE();
  TempDir dir;
  const std::uint16_t port = FindFreeLoopbackPort();
  dir.WriteFile("Net.ini", LoopbackNetIni(port));
  UdpPeer everybody;
  ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
  // On a terminal wine gives the program a console of its own.
  ChildProcess bot(kWine, {kExe, "--dir", dir.Path()}, /*terminal=*/true);
  ASSERT_TRUE(bot.WaitForOutPart("Started.", kStartTimeout));
  ASSERT_TRUE(bot.Type("Всем привет\r"));
  bool said = false;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!said && std::chrono::steady_clock::now() < deadline) {
    std::optional<PeerPacket> line = everybody.ReceivePacketOfType(kPacketChatLine, 1s);
    if (!line || line->Payload.size() <= 6) continue;
    std::string text(line->Payload.begin() + 6, line->Payload.end());
    said = text.substr(0, text.find('\0')) == W("Всем привет");
  }
  EXPECT_TRUE(said) << "the typed line was not said";
  bot.Signal(SIGINT);
  EXPECT_EQ(bot.Wait(20s), std::optional<int>(0));
}

}  // namespace
}  // namespace pelmo
