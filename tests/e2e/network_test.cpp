// The real pelmobot on a network that is not kind to it: a flood of long
// lines on loopback, and, in network namespaces the test makes (root
// only), its chat card deleted and made again, and datagrams from a
// network it does not serve.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/child_process.h"
#include "fakes/netns.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_queue.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;
using Side = NetnsPair::Side;

constexpr std::uint32_t kGroup = 0xEFFF4D03;  // 239.255.77.3
const std::string kHelp = "Help for the tests\r\n";

// Peak resident memory of a process, in kB (its VmHWM); -1 when unknown.
long PeakKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string word;
  while (status >> word) {
    if (word == "VmHWM:") {
      long kilobytes = -1;
      status >> kilobytes;
      return kilobytes;
    }
  }
  return -1;
}

class NetworkEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    dir.WriteFile("botfile/help.txt", kHelp);
  }

  // A Net.ini of the chat on ip, in multicast mode to kGroup or in
  // broadcast mode to broadcast.
  void WriteNetIni(const std::string& ip, bool multicast, const std::string& broadcast) {
    dir.WriteFile("Net.ini", "[net]\r\nip=" + ip + "\r\nport=" + std::to_string(port) +
                                 "\r\nttl=1\r\nnetaddr=239.255.77.3\r\nIpBroadcast=" + broadcast +
                                 "\r\n[socket]\r\nsnifermode=0\r\nREUSEADDR=1\r\nMultiCast=" +
                                 (multicast ? "1" : "0") +
                                 "\r\n[chat]\r\nNick=@Pelmo_bot\r\nHost=Pelmo_bot\r\n"
                                 "invisible=0\r\nBirthDay=0\r\n");
  }

  // The bot, started on the calling thread's network namespace.
  std::unique_ptr<ChildProcess> StartBot() {
    auto bot = std::make_unique<ChildProcess>(kPelmobotProgram,
                                              std::vector<std::string>{"--dir", dir.Path()});
    EXPECT_TRUE(bot->WaitForOutPart("] Started.", 10s)) << "the bot did not start";
    return bot;
  }

  // Says "!help" to where from asker, until the bot answers it (true) or
  // until the time is over.
  static bool AnsweredWithin(UdpPeer& asker, std::uint32_t where, std::uint16_t port,
                             std::chrono::milliseconds time) {
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < deadline) {
      if (!asker.SendPacket(where, port, kPacketChatLine, ChatLinePayload("Main", "!help"))) {
        return false;
      }
      std::optional<PeerPacket> line = FromBot(asker, kPacketChatLine, 250ms);
      if (line && LineText(*line) == kHelp) return true;
    }
    return false;
  }

  TempDir dir;
  std::uint16_t port = 0;
};

// The bot's peak memory through the floods: AddressSanitizer holds freed
// memory back for a while and keeps shadow memory beside it.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakCeilingMegabytes = 600;
#else
constexpr long kPeakCeilingMegabytes = 300;
#endif

// Two floods of lines of 60 KB from one peer: 2 000 as fast as the bot's
// socket takes them, then 20 000 far faster. What waits for the
// bot stays bounded (the second flood adds nothing worth naming to the
// first one's peak, and neither comes near the 1.2 GB that a queue without
// a bound reached); what found no room is said in the log; and the bot
// answers once each flood is over.
TEST_F(NetworkEndToEnd, AFloodOfLongLinesKeepsMemoryBoundedAndTheBotAnswers) {
  WriteNetIni("127.0.0.1", false, "127.255.255.255");
  UdpPeer peer;
  ASSERT_TRUE(peer.Bind(kPeerAddress, port));
  auto bot = StartBot();

  // A few packets told apart by their stamps, sent in turn: each one is
  // another line to the bot, without enciphering 1.2 GB here.
  std::vector<std::vector<std::uint8_t>> packets;
  for (int i = 0; i < 16; ++i) {
    packets.push_back(peer.EncodePacket(
        kPacketChatLine, ChatLinePayload("Main", std::string(60000, static_cast<char>('a' + i)))));
  }
  const auto flood = [&](int lines, bool paced) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    for (int sent = 0; sent < lines;) {
      for (int i = 0; i < 50; ++i, ++sent) {
        ASSERT_TRUE(peer.SendRaw(kBotAddress, port, packets[static_cast<std::size_t>(sent) % 16]));
      }
      // Paced: in rounds that the bot's socket holds, so that the whole
      // flood reaches the bot.
      while (paced && QueuedBytes(port) > (4 << 20)) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the bot stopped taking datagrams";
        std::this_thread::sleep_for(1ms);
      }
    }
    // The bot works through what it kept. A probe now and then, lost while
    // the socket is full, tells when it is through; then it answers a
    // command.
    std::optional<PeerPacket> present;
    while (!present && std::chrono::steady_clock::now() < deadline) {
      ASSERT_TRUE(peer.SendPacket(kBotAddress, port, kPacketProbe,
                                  std::vector<std::uint8_t>(12, 1)));
      present = FromBot(peer, kPacketPresenceReply, 500ms);
    }
    ASSERT_TRUE(present) << "the bot never came through the flood";
    EXPECT_TRUE(AnsweredWithin(peer, kBotAddress, port, 10s)) << "no answer after the flood";
  };

  flood(2000, true);
  const long first = PeakKilobytes(bot->Pid());
  ASSERT_GT(first, 0);
  flood(20000, false);
  // What found no room is said in the log.
  EXPECT_TRUE(bot->WaitForOutPart("Очередь приёма переполнена: отброшено датаграмм: ", 5s));
  const long second = PeakKilobytes(bot->Pid());
  EXPECT_LT(second - first, 64 * 1024) << "peaks " << first / 1024 << " and " << second / 1024
                                       << " MB";
  EXPECT_LT(second, kPeakCeilingMegabytes * 1024) << "peak memory " << second / 1024 << " MB";
}

// The card of the chat deleted and made again (same name, same address, a
// new index), in either mode: the bot takes it up again by itself and is
// answering within 5 s, with one line in its log.
TEST_F(NetworkEndToEnd, AnswersAgainSoonAfterItsCardIsMadeAgain) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
  for (const bool multicast : {false, true}) {
    SCOPED_TRACE(multicast ? "multicast" : "broadcast");
    WriteNetIni("192.0.2.1", multicast, "192.0.2.255");
    const std::uint32_t where = multicast ? kGroup : kNetnsBroadcast;
    std::unique_ptr<ChildProcess> bot;
    ns.RunIn(Side::kA, [&] { bot = StartBot(); });
    // A peer of the other host; made anew with the card, as its own
    // choice of the group's interface belongs to the old one.
    const auto makePeer = [&](UdpPeer& peer) {
      ns.RunIn(Side::kB, [&] {
        ASSERT_TRUE(peer.Bind(kNetnsAddressB, port));
        ASSERT_TRUE(peer.EnableBroadcast());
        ASSERT_TRUE(peer.SetMulticastInterface(kNetnsAddressB));
      });
    };
    {
      UdpPeer peer;
      ASSERT_NO_FATAL_FAILURE(makePeer(peer));
      ASSERT_TRUE(AnsweredWithin(peer, where, port, 10s)) << "not answered at all";
    }

    ASSERT_TRUE(ns.MakePairAgain());
    UdpPeer peer;
    ASSERT_NO_FATAL_FAILURE(makePeer(peer));
    EXPECT_TRUE(AnsweredWithin(peer, where, port, 5s)) << "deaf after the card came back";
    std::size_t taken = 0;
    for (const std::string& line : bot->OutLines()) {
      if (line.find("Сетевой интерфейс адреса 192.0.2.1 появился снова") != std::string::npos) ++taken;
    }
    EXPECT_EQ(taken, 1u);
    bot->Signal(SIGTERM);
    EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
  }
}

// With ip on loopback the bot serves this computer alone: a command from
// the LAN (here the other namespace, over the pair) to the group or the
// LAN's broadcast address is refused in either mode, though the group is
// joined on the LAN card too.
TEST_F(NetworkEndToEnd, RefusesDatagramsOfANetworkItDoesNotServe) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
  for (const bool multicast : {true, false}) {
    SCOPED_TRACE(multicast ? "multicast" : "broadcast");
    WriteNetIni("127.0.0.1", multicast, "127.255.255.255");
    std::unique_ptr<ChildProcess> bot;
    UdpPeer local;     // Tester on this computer
    UdpPeer stranger;  // a computer of the LAN
    stranger.Nick = "Stranger";
    stranger.Host = "LANPC";
    ns.RunIn(Side::kA, [&] {
      bot = StartBot();
      ASSERT_TRUE(local.Bind(kPeerAddress, port));
      ASSERT_TRUE(local.EnableBroadcast());
      ASSERT_TRUE(local.SetMulticastInterface(kBotAddress));
    });
    ns.RunIn(Side::kB, [&] {
      ASSERT_TRUE(stranger.Bind(kNetnsAddressB, port));
      ASSERT_TRUE(stranger.EnableBroadcast());
      ASSERT_TRUE(stranger.SetMulticastInterface(kNetnsAddressB));
    });

    // The stranger speaks first: had the bot taken it, its line would be
    // logged before the local one.
    ASSERT_TRUE(stranger.SendPacket(multicast ? kGroup : kNetnsBroadcast, port, kPacketChatLine,
                                    ChatLinePayload("Main", "!help")));
    ASSERT_TRUE(AnsweredWithin(local, multicast ? kGroup : kLoopbackBroadcast, port, 10s));
    ASSERT_TRUE(bot->WaitForOutPart("Tester (TESTPC): !help", 5s));
    for (const std::string& line : bot->OutLines()) {
      EXPECT_EQ(line.find("Stranger"), std::string::npos) << line;
    }
    bot->Signal(SIGTERM);
    EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
  }
}

// pelmochat on a second computer with a copy of the bot's Net.ini, whose ip
// is the bot's address: it takes its own interface, the one that leads to
// the group or the broadcast address, and the bot answers it.
TEST_F(NetworkEndToEnd, PelmochatOnAnotherComputerWithTheBotsNetIni) {
#ifndef PELMOCHAT_PATH
  GTEST_SKIP() << "pelmochat was not built";
#else
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
  for (const bool multicast : {true, false}) {
    SCOPED_TRACE(multicast ? "multicast" : "broadcast");
    WriteNetIni("192.0.2.1", multicast, "192.0.2.255");
    std::unique_ptr<ChildProcess> bot;
    ns.RunIn(Side::kA, [&] { bot = StartBot(); });
    std::unique_ptr<ChildProcess> chat;
    ns.RunIn(Side::kB, [&] {
      chat = std::make_unique<ChildProcess>(
          PELMOCHAT_PATH, std::vector<std::string>{"--dir", dir.Path(), "--nick", "Ivan", "--host",
                                                   "IVANPC", "--say", "!help", "--wait", "3"});
    });
    EXPECT_EQ(chat->Wait(10s), std::optional<int>(0)) << ::testing::PrintToString(chat->ErrLines());
    EXPECT_TRUE(bot->WaitForOutPart("Ivan (IVANPC): !help", 1s));
    bot->Signal(SIGTERM);
    EXPECT_EQ(bot->Wait(10s), std::optional<int>(0));
  }
#endif
}

}  // namespace
}  // namespace pelmo
