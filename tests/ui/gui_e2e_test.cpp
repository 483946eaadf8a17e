// The real pelmobot-gui on the offscreen platform, on loopback in
// broadcast mode, talked to by a chat participant made of real sockets: it
// announces itself, answers a probe and "!help" as pelmobot does, holds
// the same folder lock, and closes on SIGTERM. Its start from the desktop:
// --version without a display, a working folder made from the installed
// one, a second copy on one folder refused in a box.
#include <signal.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// Waits for a file the program writes.
bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(PelmobotGui, AnswersAProbeAndHelpAndClosesOnSigterm) {
  TempDir dir;
  const std::uint16_t port = FindFreeLoopbackPort();
  dir.WriteFile("Net.ini", LoopbackNetIni(port));
  const std::string help = W("Команды бота:\r\n!help - помощь\r\n");
  dir.WriteFile("botfile/help.txt", help);
  UdpPeer everybody, peer;
  ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
  ASSERT_TRUE(peer.Bind(kPeerAddress, port));
  ASSERT_TRUE(peer.EnableBroadcast());

  ChildProcess gui(PELMOBOT_GUI_PATH, {"-platform", "offscreen", "--dir", dir.Path()});
  ASSERT_TRUE(FromBot(everybody, kPacketJoin, 10s)) << "no join announcement";

  const std::vector<std::uint8_t> probe = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketProbe, probe));
  std::optional<PeerPacket> presence = FromBot(peer, kPacketPresenceReply, 10s);
  ASSERT_TRUE(presence) << "no presence reply";
  EXPECT_EQ(std::vector<std::uint8_t>(presence->Payload.begin(), presence->Payload.begin() + 12),
            probe);

  ASSERT_TRUE(peer.SendPacket(kLoopbackBroadcast, port, kPacketChatLine,
                              ChatLinePayload("Main", "!help")));
  std::optional<PeerPacket> answer = FromBot(peer, kPacketChatLine, 10s);
  ASSERT_TRUE(answer) << "no answer to !help";
  EXPECT_EQ(LineText(*answer), help);

#ifdef PELMOBOT_PATH
  // One bot per folder, whichever of the two programs.
  ChildProcess daemon(kPelmobotProgram, {"--dir", dir.Path()});
  EXPECT_NE(daemon.Wait(10s).value_or(0), 0);
#endif

  gui.Signal(SIGTERM);
  EXPECT_TRUE(FromBot(everybody, kPacketLeave, 10s)) << "no leave announcement";
  EXPECT_EQ(gui.Wait(10s), std::optional<int>(0));
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
  EXPECT_TRUE(dir.Exists("botfile/log.txt"));
}

// Standard error joined to standard output, where the reader is.
std::unique_ptr<ChildProcess> Gui(const std::string& program, const std::vector<std::string>& args) {
  std::string line = "exec \"" + program + "\"";
  for (const std::string& arg : args) line += " \"" + arg + "\"";
  return std::make_unique<ChildProcess>("/bin/sh", std::vector<std::string>{"-c", line + " 2>&1"});
}

TEST(PelmobotGui, VersionAndHelpNeedNoDisplay) {
  for (const char* option : {"--version", "--help"}) {
    ChildProcess gui("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                      "QT_QPA_PLATFORM", PELMOBOT_GUI_PATH, option});
    EXPECT_EQ(gui.Wait(10s), std::optional<int>(0)) << option;
    ASSERT_FALSE(gui.OutLines().empty()) << option;
    EXPECT_EQ(gui.OutLines()[0].rfind(std::string(option) == "--version" ? "pelmobot-gui (Pelmo_bot v 1.3)"
                                                                       : "Usage: pelmobot-gui",
                                      0),
              0u)
        << gui.OutLines()[0];
  }
}

TEST(PelmobotGui, ASecondCopyOnTheFolderIsRefusedInABoxAndEndsOnSigterm) {
  TempDir dir;
  dir.WriteFile("Net.ini", LoopbackNetIni(FindFreeLoopbackPort(), {"EnableBot=0"}));
  std::unique_ptr<ChildProcess> first =
      Gui(PELMOBOT_GUI_PATH, {"-platform", "offscreen", "--dir", dir.Path()});
  // The first holds the lock once its files are made.
  ASSERT_TRUE(WaitForFile(dir.FilePath("botfile/log.txt"), 10s));
  std::unique_ptr<ChildProcess> second =
      Gui(PELMOBOT_GUI_PATH, {"-platform", "offscreen", "--dir", dir.Path()});
  EXPECT_TRUE(second->WaitForOutPart("another instance is running in this folder", 10s));
  // The box waits for the operator; a stop request ends it too.
  EXPECT_EQ(second->Wait(200ms), std::nullopt);
  second->Signal(SIGTERM);
  EXPECT_EQ(second->Wait(10s), std::optional<int>(1));
  first->Signal(SIGTERM);
  EXPECT_EQ(first->Wait(10s), std::optional<int>(0));
}

TEST(PelmobotGui, AMissingWorkingFolderIsMadeFromTheInstalledOne) {
  // An installed layout: the program in usr/bin, the default folder in
  // usr/share/pelmobot/workdir (the shipped one, on a free port, switched off).
  TempDir root;
  namespace fs = std::filesystem;
  fs::create_directories(root.FilePath("usr/bin"));
  fs::create_directories(root.FilePath("usr/share/pelmobot"));
  fs::copy_file(PELMOBOT_GUI_PATH, root.FilePath("usr/bin/pelmobot-gui"));
  fs::copy(std::string(PELMO_SOURCE_DIR) + "/dist/workdir", root.FilePath("usr/share/pelmobot/workdir"),
           fs::copy_options::recursive);
  const std::uint16_t port = FindFreeLoopbackPort();
  root.WriteFile("usr/share/pelmobot/workdir/Net.ini", LoopbackNetIni(port, {"EnableBot=0"}));
  const std::string work = root.FilePath("home/.local/share/pelmobot");

  std::unique_ptr<ChildProcess> gui =
      Gui(root.FilePath("usr/bin/pelmobot-gui"), {"-platform", "offscreen", "--dir", work});
  ASSERT_TRUE(gui->WaitForOutPart("Рабочей папки " + work + " не было: она создана из", 10s));
  ASSERT_TRUE(WaitForFile(work + "/botfile/log.txt", 10s));
  // The bot adds keys of its own to Net.ini; the copy's are there.
  EXPECT_NE(root.ReadFile("home/.local/share/pelmobot/Net.ini").find("\r\nport=" + std::to_string(port) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(root.ReadFile("home/.local/share/pelmobot/botfile/help.txt"),
            root.ReadFile("usr/share/pelmobot/workdir/botfile/help.txt"));
  gui->Signal(SIGTERM);
  EXPECT_EQ(gui->Wait(10s), std::optional<int>(0));

  // Without an installed folder, a missing one is refused in a box.
  std::unique_ptr<ChildProcess> bare =
      Gui(PELMOBOT_GUI_PATH, {"-platform", "offscreen", "--dir", root.FilePath("nowhere")});
  EXPECT_TRUE(bare->WaitForOutPart("no working folder", 10s));
  bare->Signal(SIGTERM);
  EXPECT_EQ(bare->Wait(10s), std::optional<int>(1));
  EXPECT_FALSE(root.Exists("nowhere"));
}

}  // namespace
}  // namespace pelmo
