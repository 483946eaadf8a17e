// The real pelmobot-gui on the offscreen platform, on loopback in
// broadcast mode, talked to by a chat participant made of real sockets: it
// announces itself, answers a probe and "!help" as pelmobot does, holds
// the same folder lock, and closes on SIGTERM.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

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

}  // namespace
}  // namespace pelmo
