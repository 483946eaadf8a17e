// The Windows window program (pelmobot-gui.exe, cross-built) under wine on
// the Windows leg's display, driven from Linux on loopback: a native peer's
// real sockets for the chat, and pelmo_gui_driver.exe (window messages from
// another process, as clicks would be) for the ban page and the exit.
// Skipped unless the build was configured with PELMO_WINDOWS_GUI and a
// display is there.
#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
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

#if defined(PELMOBOT_GUI_EXE) && defined(PELMO_GUI_DRIVER_EXE) && defined(PELMO_WINE_GUI)
constexpr const char* kGui = PELMOBOT_GUI_EXE;
constexpr const char* kDriver = PELMO_GUI_DRIVER_EXE;
constexpr const char* kWine = PELMO_WINE_GUI;
#else
constexpr const char* kGui = nullptr;
constexpr const char* kDriver = nullptr;
constexpr const char* kWine = nullptr;
#endif

#define REQUIRE_GUI()                                                                     \
  if (kGui == nullptr) GTEST_SKIP() << "configure with -DPELMO_WINDOWS_GUI=.../pelmobot-gui.exe"; \
  if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display (DISPLAY)";               \
  ::setenv("WINEDEBUG", "-all", 1)

constexpr std::uint32_t kPeerAddress = Loopback(2);
// Wine starts slower than a native program, the first time much slower.
constexpr auto kStartTimeout = 90s;
const std::string kHelp = W("Команды бота:\r\n!help - помощь\r\n");

class GuiSession {
 public:
  // command: how the program is started (default: wine pelmobot-gui.exe
  // --dir dir).
  explicit GuiSession(const TempDir& dir, std::vector<std::string> command = {})
      : m_port(FindFreeLoopbackPort()) {
    dir.WriteFile("Net.ini", LoopbackNetIni(m_port, {"StartMsgPrivate=0"}));
    dir.WriteFile("botfile/help.txt", kHelp);
    m_ok = everybody.Bind(kLoopbackBroadcast, m_port) && peer.Bind(kPeerAddress, m_port) &&
           peer.EnableBroadcast();
    if (command.empty()) command = {kWine, kGui, "--dir", dir.Path()};
    const std::string program = command.front();
    command.erase(command.begin());
    gui = std::make_unique<ChildProcess>(program, command);
  }
  bool Bound() const { return m_ok; }

  std::optional<PeerPacket> FromBot(UdpPeer& socket, std::uint8_t type,
                                    std::chrono::milliseconds timeout = 15s) {
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
  std::optional<std::string> NextLineToPeer() {
    std::optional<PeerPacket> line = FromBot(peer, kPacketChatLine);
    if (!line) return std::nullopt;
    const std::vector<std::uint8_t>& p = line->Payload;
    if (p.size() < 2 || p.size() < 2u + p[1]) return std::string();
    std::string text(p.begin() + 2 + p[1], p.end());
    return text.substr(0, text.find('\0'));
  }
  // Runs the driver with these steps; its exit code.
  std::optional<int> Drive(std::vector<std::string> steps) {
    steps.insert(steps.begin(), kDriver);
    ChildProcess driver(kWine, steps);
    const std::optional<int> code = driver.Wait(60s);
    for (const std::string& line : driver.ErrLines()) ADD_FAILURE() << line;
    return code;
  }

  std::unique_ptr<ChildProcess> gui;
  UdpPeer everybody;
  UdpPeer peer;

 private:
  std::uint16_t m_port;
  bool m_ok = false;
};

TEST(WindowsGui, TakesPartInTheChatAndItsBanPageRefusesTheHost) {
  REQUIRE_GUI();
  TempDir dir;
  GuiSession s(dir);
  ASSERT_TRUE(s.Bound());
  ASSERT_TRUE(s.FromBot(s.everybody, kPacketJoin, kStartTimeout)) << "no join announcement";
  ASSERT_TRUE(s.Send(kPacketJoin, {3, 0}));
  ASSERT_TRUE(s.FromBot(s.peer, kPacketProbe)) << "no probe back after the join";
  ASSERT_TRUE(s.Send(kPacketProbe, std::vector<std::uint8_t>(12, 7)));
  ASSERT_TRUE(s.FromBot(s.peer, kPacketPresenceReply)) << "no presence reply";
  ASSERT_TRUE(s.Send(kPacketChatLine, ChatLinePayload("Main", "!help")));
  EXPECT_EQ(s.NextLineToPeer(), std::optional<std::string>(kHelp));

  // The operator bans the peer's computer on the ban page until the end of
  // the day.
  const char* shots = getenv("PELMO_SCREENSHOT_DIR");
  std::vector<std::string> steps = {"wait", "tab", "1", "node", "5", "type", "HostBanLE", "TESTPC",
                                    "type", "TimebanME", "23:59:59", "click", "AddBanB"};
  if (shots != nullptr) {
    steps.insert(steps.end(), {"snap", std::string(shots) + "/win-e2e-ban-page.png"});
  }
  ASSERT_EQ(s.Drive(steps), std::optional<int>(0));
  EXPECT_NE(dir.ReadFile("botfile/ban.txt").find("TESTPC="), std::string::npos);
  ASSERT_TRUE(s.Send(kPacketChatLine, ChatLinePayload("Main", "!help")));
  const std::optional<std::string> refusal = s.NextLineToPeer();
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->find(W("Вам отказано в использовании бота")), std::string::npos)
      << Cp1251ToUtf8(*refusal);

  // "&Exit": goodbye to the chat, the run counted.
  ASSERT_EQ(s.Drive({"exit"}), std::optional<int>(0));
  EXPECT_TRUE(s.FromBot(s.everybody, kPacketLeave)) << "no leave announcement";
  EXPECT_EQ(s.gui->Wait(30s), std::optional<int>(0));
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
}

TEST(WindowsGui, ASecondCopyIsRefusedInABox) {
  REQUIRE_GUI();
  TempDir dir;
  GuiSession s(dir);
  ASSERT_TRUE(s.FromBot(s.everybody, kPacketJoin, kStartTimeout)) << "no join announcement";
  ChildProcess second(kWine, {kGui, "--dir", dir.Path()});
  // The refusal box waits for the operator; its reason is on stderr too.
  bool said = false;
  for (int i = 0; i < 300 && !said; ++i) {
    for (const std::string& line : second.ErrLines()) {
      if (line.find("another instance") != std::string::npos) said = true;
    }
    if (!said) std::this_thread::sleep_for(100ms);
  }
  EXPECT_TRUE(said);
  second.Signal(SIGKILL);
  ASSERT_EQ(s.Drive({"exit"}), std::optional<int>(0));
  EXPECT_EQ(s.gui->Wait(30s), std::optional<int>(0));
}

// A shortcut without "Start in" starts the program in another current
// folder: it still works in its own folder, and makes nothing where it was
// started. A script ends it with its goodbye: "--stop".
TEST(WindowsGui, WorksInItsOwnFolderFromAnyCurrentFolderAndStopsOnRequest) {
  REQUIRE_GUI();
  TempDir install;
  install.WriteFile("pelmobot-gui.exe", ReadWholeFile(kGui).value_or(""));
  TempDir elsewhere;
  const std::string exe = install.FilePath("pelmobot-gui.exe");
  GuiSession s(install, {"/bin/sh", "-c", "cd \"$0\" && exec \"$1\" \"$2\"", elsewhere.Path(),
                         kWine, exe});
  ASSERT_TRUE(s.Bound());
  ASSERT_TRUE(s.FromBot(s.everybody, kPacketJoin, kStartTimeout)) << "no join announcement";

  ChildProcess stop(kWine, {exe, "--stop"});
  EXPECT_EQ(stop.Wait(60s), std::optional<int>(0));
  EXPECT_TRUE(s.FromBot(s.everybody, kPacketLeave)) << "no leave announcement";
  EXPECT_EQ(s.gui->Wait(30s), std::optional<int>(0));
  EXPECT_EQ(IniFile(install.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
  EXPECT_TRUE(elsewhere.List().empty());

  ChildProcess none(kWine, {exe, "--stop"});
  EXPECT_EQ(none.Wait(60s), std::optional<int>(1));
}

}  // namespace
}  // namespace pelmo
