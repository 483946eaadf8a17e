// Net on real loopback sockets in simple mode: 127.0.0.1, the broadcast
// address 127.255.255.255 and multicast through 127.0.0.1 only.
#include "transport/net.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "fakes/net_harness.h"
#include "fakes/udp_peer.h"
#include "transport/chat_key.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kTalkerAddress = 0x7F000002;  // 127.0.0.2
constexpr std::uint32_t kGroup = 0xEFFF4D01;          // 239.255.77.1

// A simple-mode start's lines up to its receiving socket, which opened.
std::vector<std::string> StartLines(const NetSettings& s) {
  return ConcatLines(NetStartLines("Simple sockets", s), {"Ok"});
}

// The payload as sent; what follows it up to the packet's size is zero fill.
bool StartsWith(const std::vector<std::uint8_t>& payload, const std::vector<std::uint8_t>& head) {
  if (payload.size() < head.size() || payload.size() > head.size() + 7) return false;
  for (std::size_t i = 0; i < payload.size(); ++i) {
    if (payload[i] != (i < head.size() ? head[i] : 0)) return false;
  }
  return true;
}

const std::vector<std::string> kStopLines = {"Recive thread tirminated.", "Recive socket closed.",
                                             "Send socket closed.", "WASCleanup."};

class NetLoopback : public ::testing::Test {
 protected:
  std::uint16_t port = PickTestPort();
  NetHarness bot{port};
  UdpPeer talker;

  void SetUp() override {
    ASSERT_TRUE(talker.Bind(kTalkerAddress, 0, false)) << std::strerror(errno);
  }
  void TearDown() override {
    if (bot.net.NetStarted()) bot.net.NetStop();
  }
  bool SayToBot(const std::string& text) {
    return talker.SendPacket(kLoopbackAddress, port, kPacketChatLine,
                             ChatLinePayload("Main", text));
  }
  size_t FromTalker() const { return bot.From(talker.Nick).size(); }
};

TEST_F(NetLoopback, BroadcastStartAndStopLogTheirSteps) {
  ASSERT_TRUE(bot.net.NetStart());
  EXPECT_TRUE(bot.net.NetStarted());
  EXPECT_EQ(bot.log.Texts(), ConcatLines(StartLines(bot.settings),
                                    {"Call Bind...", "Ok", "Create send socket.", "Call Socket...",
                                     "Ok", "SetSockOpt(SO_BROADCAST)", "Ok",
                                     "Create recive thread...", "Ok", "Shiffer enabled."}));

  bot.log.Clear();
  EXPECT_FALSE(bot.net.NetStart());
  EXPECT_EQ(bot.log.Texts(), std::vector<std::string>{"Already started."});
  EXPECT_TRUE(bot.net.NetStarted());

  bot.log.Clear();
  ASSERT_TRUE(bot.net.NetStop());
  EXPECT_EQ(bot.log.Texts(), kStopLines);
  EXPECT_FALSE(bot.net.NetStarted());

  bot.log.Clear();
  EXPECT_FALSE(bot.net.NetStop());
  EXPECT_EQ(bot.log.Texts(), std::vector<std::string>{"Sniffer not enabled."});
}

TEST_F(NetLoopback, MulticastStartJoinsTheGroupAndPeersMeet) {
  bot.settings.MulticastMode = true;
  bot.settings.ReuseAddr = true;
  bot.settings.SendAddress = kGroup;
  bot.net.SetInterfaces({kLoopbackAddress});
  UdpPeer member;
  ASSERT_TRUE(member.Bind(INADDR_ANY, port));
  ASSERT_TRUE(member.JoinGroup(kGroup, kLoopbackAddress));
  ASSERT_TRUE(member.SetMulticastInterface(kLoopbackAddress));

  ASSERT_TRUE(bot.net.NetStart());
  EXPECT_EQ(bot.log.Texts(),
            ConcatLines(StartLines(bot.settings),
                   {"Call SetSockOpt(SO_REUSEADDR)...", "Ok", "Call Bind...", "Ok",
                    "SetSockOpt(IP_ADD_MEMBERSHIP): 127.0.0.1", "Ok", "Create send socket.",
                    "Call Socket...", "Ok", "Call SetSockOpt(SO_REUSEADDR)...", "Ok",
                    "SetSockOpt(IP_MULTICAST_IF): 127.0.0.1", "Ok", "Create recive thread...", "Ok",
                    "Shiffer enabled."}));

  const std::optional<PeerPacket> join = member.ReceivePacketOfType(kPacketJoin, 2s);
  ASSERT_TRUE(join);
  EXPECT_EQ(join->Header.SenderNick, "@Pelmo_bot");
  EXPECT_EQ(join->SrcAddr, kLoopbackAddress);

  // A group datagram from the peer reaches the bot's dispatcher.
  ASSERT_TRUE(member.SendPacket(kGroup, port, kPacketChatLine, ChatLinePayload("Main", "hi")));
  ASSERT_TRUE(bot.RunUntil([&] { return !bot.From(member.Nick).empty(); }));
  EXPECT_EQ(bot.From(member.Nick)[0].Sender.DstAddr, kLoopbackAddress);
}

TEST_F(NetLoopback, PeerHearsJoinAndProbeAtStartAndLeaveAtStop) {
  bot.settings.ReuseAddr = true;
  UdpPeer listener;
  ASSERT_TRUE(listener.Bind(kLoopbackBroadcast, port));

  ASSERT_TRUE(bot.net.NetStart());
  const std::optional<PeerPacket> join = listener.ReceivePacket(2s);
  ASSERT_TRUE(join);
  EXPECT_EQ(join->Header.PacketType, kPacketJoin);
  EXPECT_EQ(join->Header.SenderNick, "@Pelmo_bot");
  EXPECT_EQ(join->Header.SenderHost, "Pelmo_bot");
  EXPECT_EQ(join->Header.BroadcastFlag, 1);
  EXPECT_EQ(join->Header.EpochByte, bot.codec.EpochByte);
  EXPECT_TRUE(StartsWith(join->Payload, {3, 0}));
  EXPECT_EQ(join->SrcAddr, kLoopbackAddress);

  const std::optional<PeerPacket> probe = listener.ReceivePacket(2s);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->Header.PacketType, kPacketProbe);
  EXPECT_GE(probe->Payload.size(), 12u);  // and the zero fill

  ASSERT_TRUE(bot.net.NetStop());
  const std::optional<PeerPacket> leave = listener.ReceivePacket(2s);
  ASSERT_TRUE(leave);
  EXPECT_EQ(leave->Header.PacketType, kPacketLeave);
  EXPECT_TRUE(StartsWith(leave->Payload, {3, 0}));
}

TEST_F(NetLoopback, PeerDatagramReachesTheDispatcherOnTheLoopThread) {
  ASSERT_TRUE(bot.net.NetStart());
  ASSERT_TRUE(SayToBot("hello"));
  ASSERT_TRUE(bot.RunUntil([&] { return FromTalker() == 1; }));

  const DispatchedPacket packet = bot.From(talker.Nick)[0];
  EXPECT_EQ(packet.Header.PacketType, kPacketChatLine);
  EXPECT_EQ(packet.Header.SenderHost, "TESTPC");
  EXPECT_EQ(packet.Sender.SrcAddr, kTalkerAddress);
  EXPECT_EQ(packet.Sender.SrcPort, talker.LocalPort());
  EXPECT_EQ(packet.Sender.DstAddr, kLoopbackAddress);
  EXPECT_EQ(packet.Sender.DstPort, port);
  EXPECT_TRUE(StartsWith(packet.Payload, ChatLinePayload("Main", "hello")));
}

TEST_F(NetLoopback, DatagramsDuringAStopAreDiscarded) {
  ASSERT_TRUE(bot.net.NetStart());
  bot.net.SetStopping(true);
  ASSERT_TRUE(SayToBot("during the stop"));
  ASSERT_TRUE(bot.RunUntil([&] { return QueuedBytes(port) == 0; }));
  bot.net.SetStopping(false);
  ASSERT_TRUE(SayToBot("after the stop"));
  ASSERT_TRUE(bot.RunUntil([&] { return FromTalker() >= 1; }));
  bot.RunFor(50ms);
  ASSERT_EQ(FromTalker(), 1u);
  EXPECT_TRUE(
      StartsWith(bot.From(talker.Nick)[0].Payload, ChatLinePayload("Main", "after the stop")));
}

TEST_F(NetLoopback, TasksOfAStoppedRunOrADestroyedNetDoNothing) {
  ASSERT_TRUE(bot.net.NetStart());
  ASSERT_TRUE(SayToBot("late"));
  // Wait for the posted task without running it.
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (bot.loop.PendingTasks() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(2ms);
  }
  ASSERT_GT(bot.loop.PendingTasks(), 0u);
  ASSERT_TRUE(bot.net.NetStop());
  bot.loop.RunPending();
  EXPECT_EQ(FromTalker(), 0u);

  // The same for a Net that is gone (the sanitizer build would catch a use
  // after free).
  auto other = std::make_unique<Net>(bot.settings, bot.codec, bot.cipher, bot.loop,
                                     bot.log, bot.netIni);
  ASSERT_TRUE(other->NetStart());
  ASSERT_TRUE(SayToBot("later"));
  const auto deadline2 = std::chrono::steady_clock::now() + 3s;
  while (bot.loop.PendingTasks() == 0 && std::chrono::steady_clock::now() < deadline2) {
    std::this_thread::sleep_for(2ms);
  }
  other.reset();
  bot.loop.RunPending();
  EXPECT_EQ(FromTalker(), 0u);
}

TEST_F(NetLoopback, StopWhileTheThreadBlocksReturnsAtOnce) {
  ASSERT_TRUE(bot.net.NetStart());
  std::this_thread::sleep_for(100ms);  // the thread is now waiting for data
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(bot.net.NetStop());
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST_F(NetLoopback, StartAndStopKeyAndWipeTheCipher) {
  bot.dir.WriteFile("Net.ini",
                    "[net]\r\nip=127.0.0.1\r\n[crypt]\r\nKey=00112233445566778899\r\n"
                    "IV=0102030405060708\r\n");
  const std::uint8_t key[10] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99};
  const std::uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  BlowfishContext expected{};
  BlowfishInit(expected, key, sizeof key, iv);

  ASSERT_TRUE(bot.net.NetStart());
  EXPECT_EQ(std::memcmp(&bot.cipher, &expected, sizeof expected), 0);
  ASSERT_TRUE(bot.net.NetStop());
  const BlowfishContext zero{};
  EXPECT_EQ(std::memcmp(&bot.cipher, &zero, sizeof zero), 0);
}

TEST_F(NetLoopback, AddressNotOnThisComputerFailsAtBind) {
  bot.settings.LocalAddress = 0xFFFFFFFF;  // what a garbage "ip" loads as
  EXPECT_FALSE(bot.net.NetStart());
  EXPECT_FALSE(bot.net.NetStarted());
  EXPECT_EQ(bot.log.Texts(),
            ConcatLines(StartLines(bot.settings),
                   {"Call Bind...", "Net error: Cannot assign requested address"}));
  bot.log.Clear();
  EXPECT_FALSE(bot.net.NetStop());
  EXPECT_EQ(bot.log.Texts(), std::vector<std::string>{"Sniffer not enabled."});
}

TEST_F(NetLoopback, PortInUseFailsCleanlyAndALaterStartWorks) {
  auto holder = std::make_unique<UdpPeer>();
  ASSERT_TRUE(holder->Bind(INADDR_ANY, port, false));
  EXPECT_FALSE(bot.net.NetStart());
  EXPECT_EQ(bot.log.Texts(), ConcatLines(StartLines(bot.settings),
                                    {"Call Bind...", "Net error: Address already in use"}));
  holder.reset();
  bot.log.Clear();
  EXPECT_TRUE(bot.net.NetStart());
}

TEST_F(NetLoopback, SendingWhileStoppedDoesNothing) {
  const std::uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(bot.net.SendDatagram(kLoopbackAddress, kLoopbackAddress, port + 1, port, bytes, 3), -1);
  EXPECT_TRUE(bot.log.Texts().empty());
}

TEST_F(NetLoopback, SimpleModeSendsThePacketAsItIs) {
  bot.settings.ReuseAddr = true;
  UdpPeer receiver;
  ASSERT_TRUE(receiver.Bind(kTalkerAddress, port));
  ASSERT_TRUE(bot.net.NetStart());
  const std::vector<std::uint8_t> bytes = {9, 8, 7, 6, 5};
  ASSERT_EQ(bot.net.SendDatagram(kLoopbackAddress, kTalkerAddress, port + 1, port, bytes.data(),
                                 bytes.size()),
            0);
  std::optional<PeerDatagram> got;
  while ((got = receiver.Receive(2s)) && got->Bytes != bytes) {
  }
  ASSERT_TRUE(got);
  EXPECT_EQ(got->SrcAddr, kLoopbackAddress);
}

// A send that fails every time (port 0 is refused by the system, as a
// card that is gone refuses everything) is logged once, not once a packet.
TEST_F(NetLoopback, ASendErrorThatLastsIsLoggedOnce) {
  ASSERT_TRUE(bot.net.NetStart());
  bot.log.Clear();
  const std::uint8_t bytes[3] = {1, 2, 3};
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(bot.net.SendDatagram(kLoopbackAddress, kTalkerAddress, port + 1, 0, bytes, 3), -1);
  }
  EXPECT_EQ(bot.log.Texts(), std::vector<std::string>{"Net error: Invalid argument"});
}

TEST(NetErrors, ReportUsesTheSystemText) {
  NetHarness bot(PickTestPort());
  bot.net.ReportNetError(EACCES);
  bot.net.ReportNetError(EADDRINUSE);
  bot.net.ReportNetError(99999);  // no text of the system's own
  EXPECT_EQ(bot.log.Texts(),
            (std::vector<std::string>{"Net error: Permission denied",
                                      "Net error: Address already in use",
                                      "Net error: " + W("Неизвестная ошибка сети")}));
}

TEST_F(NetLoopback, FailedStartsLeaveNoDescriptorOpen) {
  const std::size_t before = OpenDescriptorCount();
  {
    UdpPeer holder;  // the port in use: fails at the bind
    ASSERT_TRUE(holder.Bind(INADDR_ANY, port, false));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(bot.net.NetStart());
  }
  bot.settings.LocalAddress = 0x7F000001 + 0x00010000;  // 127.1.0.1, nobody's
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(bot.net.NetStart());
  bot.settings.LocalAddress = kLoopbackAddress;
  // No group address in multicast mode: refused before any socket.
  bot.settings.MulticastMode = true;
  bot.settings.SendAddress = kLoopbackBroadcast;
  bot.net.SetInterfaces({kLoopbackAddress});
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(bot.net.NetStart());
  EXPECT_EQ(bot.log.Texts().back(), W("Адрес группы должен быть от 224.0.0.0 до 239.255.255.255."));
  EXPECT_EQ(bot.net.LastStartFault().kind, StartFault::Kind::kNotGroup);
  EXPECT_EQ(OpenDescriptorCount(), before);

  bot.settings.MulticastMode = false;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(bot.net.NetStart());
    ASSERT_TRUE(bot.net.NetStop());
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

// A log whose view fails at one line.
class FailingLog final : public LineLog {
 public:
  explicit FailingLog(std::string failAt) : m_failAt(std::move(failAt)) {}
  void LogLine(const std::string& text, std::uint32_t) override {
    if (text == m_failAt) throw std::runtime_error("view failed");
  }

 private:
  std::string m_failAt;
};

TEST_F(NetLoopback, AnExceptionDuringTheStartLeavesNothingOpen) {
  const std::size_t before = OpenDescriptorCount();
  for (const char* failAt : {"Call Bind...", "Create send socket.", "Create recive thread..."}) {
    SCOPED_TRACE(failAt);
    FailingLog log(failAt);
    Net net(bot.settings, bot.codec, bot.cipher, bot.loop, log, bot.netIni);
    EXPECT_THROW(net.NetStart(), std::runtime_error);
    EXPECT_FALSE(net.NetStarted());
    EXPECT_EQ(OpenDescriptorCount(), before);
  }
  // The port was given back: the bot's own Net can have it.
  EXPECT_TRUE(bot.net.NetStart());
}

TEST_F(NetLoopback, ARestartDrawsANewEpochAndKeepsTheSequence) {
  bot.settings.ReuseAddr = true;
  UdpPeer listener;
  ASSERT_TRUE(listener.Bind(kLoopbackBroadcast, port));
  // The harness's generator, seeded 1: the epoch is the first draw, the
  // probe's 12 bytes the next ones, the next start's epoch the 14th.
  Random draws{1};
  const std::uint32_t firstEpoch = draws.Next(256);
  for (int i = 0; i < 12; ++i) draws.Next(256);
  const std::uint32_t secondEpoch = draws.Next(256);

  ASSERT_TRUE(bot.net.NetStart());  // join 1, probe 2
  ASSERT_TRUE(bot.net.NetStop());   // leave 3
  ASSERT_TRUE(bot.net.NetStart());  // join 4
  std::vector<PeerPacket> joins;
  while (joins.size() < 2) {
    std::optional<PeerPacket> join = listener.ReceivePacketOfType(kPacketJoin, 2s);
    ASSERT_TRUE(join);
    joins.push_back(*join);
  }
  EXPECT_EQ(joins[0].Header.Sequence, 1);
  EXPECT_EQ(joins[0].Header.EpochByte, firstEpoch);
  EXPECT_EQ(joins[1].Header.Sequence, 4);
  EXPECT_EQ(joins[1].Header.EpochByte, secondEpoch);
}

}  // namespace
}  // namespace pelmo
