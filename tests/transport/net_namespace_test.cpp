// Net between two hosts: the bot in one test namespace, a peer in the
// other, joined by a veth pair (see fakes/netns.h). Needs root; skipped
// otherwise. Covers multicast, sniffer capture and raw sends, and receive
// errors of a capture whose interface goes down.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/cp1251.h"
#include "fakes/net_harness.h"
#include "fakes/netns.h"
#include "fakes/udp_peer.h"
#include "transport/net.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;
using Side = NetnsPair::Side;

constexpr std::uint32_t kGroup = 0xEFFF4D02;  // 239.255.77.2

std::size_t Count(const RecordingLog& log, const std::string& text) {
  const auto texts = log.Texts();
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

// Drops CAP_NET_RAW from the calling thread's effective set only.
bool DropNetRawInThisThread() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
  return syscall(SYS_capset, &header, data) == 0;
}

class NetNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
    bot.settings.LocalAddress = kNetnsAddressA;
    bot.settings.SendAddress = kNetnsBroadcast;
    bot.settings.TTL = 7;
    ns.RunIn(Side::kB, [&] {
      ASSERT_TRUE(listener.Bind(INADDR_ANY, port));
      ASSERT_TRUE(talker.Bind(kNetnsAddressB, 0, false));
    });
  }
  void TearDown() override {
    if (bot.net.NetStarted()) bot.net.NetStop();
  }
  bool StartBot() {
    bool started = false;
    ns.RunIn(Side::kA, [&] { started = bot.net.NetStart(); });
    return started;
  }
  std::size_t FromTalker() const { return bot.From(talker.Nick).size(); }
  // Multicast to kGroup: the bot's settings, the listener a member, the
  // talker sending through veth-b.
  void UseGroup() {
    bot.settings.MulticastMode = true;
    bot.settings.SendAddress = kGroup;
    ASSERT_TRUE(listener.JoinGroup(kGroup, kNetnsAddressB));
    ASSERT_TRUE(talker.SetMulticastInterface(kNetnsAddressB));
  }

  NetnsPair ns;
  std::uint16_t port = PickTestPort();
  NetHarness bot{port};
  UdpPeer listener;  // the chat port in namespace B
  UdpPeer talker;    // 192.0.2.2, any port
};

TEST_F(NetNamespace, InterfacesOfTheNamespaceLoopbackLast) {
  std::vector<std::uint32_t> interfaces;
  std::uint32_t local = 0;
  ns.RunIn(Side::kA, [&] {
    interfaces = GetInterfaces();
    local = GetLocalAddress();
  });
  EXPECT_EQ(interfaces, (std::vector<std::uint32_t>{kNetnsAddressA, kLoopbackAddress}));
  EXPECT_EQ(local, kNetnsAddressA);
}

TEST_F(NetNamespace, SimpleMulticastJoinsOnEveryInterface) {
  ASSERT_NO_FATAL_FAILURE(UseGroup());

  ASSERT_TRUE(StartBot());
  EXPECT_EQ(bot.log.Texts(),
            ConcatLines(NetStartLines("Simple sockets", bot.settings),
                   {"Ok", "Call Bind...", "Ok", "SetSockOpt(IP_ADD_MEMBERSHIP): 192.0.2.1", "Ok",
                    "SetSockOpt(IP_ADD_MEMBERSHIP): 127.0.0.1", "Ok", "Create send socket.",
                    "Call Socket...", "Ok", "SetSockOpt(IP_MULTICAST_IF): 192.0.2.1", "Ok",
                    "Create recive thread...", "Ok", "Shiffer enabled."}));

  const std::optional<PeerPacket> join = listener.ReceivePacketOfType(kPacketJoin, 2s);
  ASSERT_TRUE(join);
  EXPECT_EQ(join->SrcAddr, kNetnsAddressA);
  EXPECT_EQ(join->Header.BroadcastFlag, 0);

  ASSERT_TRUE(talker.SendPacket(kGroup, port, kPacketChatLine, ChatLinePayload("Main", "hi")));
  ASSERT_TRUE(bot.RunUntil([&] { return FromTalker() == 1; }));
  EXPECT_EQ(bot.From(talker.Nick)[0].Sender.SrcAddr, kNetnsAddressB);
}

TEST_F(NetNamespace, SnifferMulticastStartLogsItsStepsAndCaptures) {
  bot.settings.SnifferMode = true;
  ASSERT_NO_FATAL_FAILURE(UseGroup());

  ASSERT_TRUE(StartBot());
  EXPECT_EQ(
      bot.log.Texts(),
      ConcatLines(NetStartLines("Snifer sockets mode.", bot.settings),
             {"Ok", "Call Bind...", "Ok", "SetSockOpt(IP_ADD_MEMBERSHIP): 192.0.2.1", "Ok",
              "SetSockOpt(IP_ADD_MEMBERSHIP): 127.0.0.1", "Ok", "Call IOCtrlSocket(SIO_RCVALL)...",
              "Ok", "Create send socket.", "Call Socket...", "Ok", "Call SetSockOpt...", "Ok",
              "Create recive thread...", "Ok", "Shiffer enabled."}));

  const std::optional<PeerPacket> join = listener.ReceivePacketOfType(kPacketJoin, 2s);
  ASSERT_TRUE(join);
  EXPECT_EQ(join->SrcAddr, kNetnsAddressA);
  EXPECT_EQ(join->SrcPort, port + 1);

  ASSERT_TRUE(talker.SendPacket(kGroup, port, kPacketChatLine, ChatLinePayload("Main", "hi")));
  ASSERT_TRUE(bot.RunUntil([&] { return FromTalker() == 1; }));
  const TRecvInfo sender = bot.From(talker.Nick)[0].Sender;
  EXPECT_EQ(sender.SrcAddr, kNetnsAddressB);
  EXPECT_EQ(sender.DstAddr, kGroup);
  EXPECT_EQ(sender.DstPort, port);

  bot.log.Clear();
  ASSERT_TRUE(bot.net.NetStop());
  EXPECT_EQ(bot.log.Texts(),
            (std::vector<std::string>{"Recive thread tirminated.", "Recive socket closed.",
                                      "Send socket closed.", "WASCleanup."}));
  ASSERT_TRUE(listener.ReceivePacketOfType(kPacketLeave, 2s));
}

// Receives the next UDP packet with its IP header from source port
// srcPort, on a raw socket of namespace B.
std::vector<std::uint8_t> NextRawUdp(int fd, std::uint16_t srcPort) {
  std::vector<std::uint8_t> buffer(65536);
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 200) <= 0) continue;
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n >= 28 && ((buffer[20] << 8) | buffer[21]) == srcPort) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
  }
  return {};
}

TEST_F(NetNamespace, SnifferCapturesThePortAndSendsItsOwnHeaders) {
  bot.settings.SnifferMode = true;
  int raw = -1;
  ns.RunIn(Side::kB, [&] { raw = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_UDP); });
  ASSERT_GE(raw, 0) << std::strerror(errno);

  ASSERT_TRUE(StartBot());
  const std::vector<std::uint8_t> join = NextRawUdp(raw, port + 1);
  close(raw);
  ASSERT_FALSE(join.empty());
  const std::size_t udpLength = join.size() - 20;
  const std::uint8_t expectedHeader[] = {0x45, 0, static_cast<std::uint8_t>(join.size() >> 8),
                                         static_cast<std::uint8_t>(join.size())};
  EXPECT_TRUE(std::equal(expectedHeader, expectedHeader + 4, join.begin()));
  EXPECT_EQ(join[6] & 0x3F, 0);  // not a fragment
  EXPECT_EQ(join[7], 0);
  EXPECT_EQ(join[8], 7);   // TTL
  EXPECT_EQ(join[9], 17);  // UDP
  const std::uint8_t addresses[] = {192, 0, 2, 1, 192, 0, 2, 255};
  EXPECT_TRUE(std::equal(addresses, addresses + 8, join.begin() + 12));
  EXPECT_EQ((join[22] << 8) | join[23], port);
  EXPECT_EQ(static_cast<std::size_t>((join[24] << 8) | join[25]), udpLength);
  EXPECT_EQ(join[26], 0);  // no UDP checksum
  EXPECT_EQ(join[27], 0);
  EXPECT_EQ(join[28], 2);  // the chat packet's version

  // What the peer sends to the bot's address and port is captured.
  ASSERT_TRUE(
      talker.SendPacket(kNetnsAddressA, port, kPacketChatLine, ChatLinePayload("Main", "hi")));
  ASSERT_TRUE(bot.RunUntil([&] { return FromTalker() == 1; }));
  const TRecvInfo sender = bot.From(talker.Nick)[0].Sender;
  EXPECT_EQ(sender.SrcAddr, kNetnsAddressB);
  EXPECT_EQ(sender.SrcPort, talker.LocalPort());
  EXPECT_EQ(sender.DstAddr, kNetnsAddressA);
  EXPECT_EQ(sender.DstPort, port);

  // Datagrams longer than the link's MTU leave in fragments and arrive
  // whole; the largest one that fits an IPv4 packet too.
  for (std::size_t size : {3000u, 65507u}) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    ASSERT_EQ(
        bot.net.SendDatagram(kNetnsAddressA, kNetnsAddressB, port + 1, port, bytes.data(), size),
        0);
    std::optional<PeerDatagram> got;
    while ((got = listener.Receive(2s)) && got->Bytes.size() != size) {
    }
    ASSERT_TRUE(got) << size;
    EXPECT_TRUE(got->Bytes == bytes) << size;
  }
  const std::size_t lines = bot.log.Texts().size();
  const std::vector<std::uint8_t> tooLong(65508, 1);
  EXPECT_EQ(bot.net.SendDatagram(kNetnsAddressA, kNetnsAddressB, port + 1, port, tooLong.data(),
                                 tooLong.size()),
            -1);
  EXPECT_EQ(bot.log.Texts().size(), lines);
}

// The capture sees the link's fragments of a long packet; the bot must
// still get the peer's whole datagram.
TEST_F(NetNamespace, SnifferTakesUpPacketsLongerThanTheLink) {
  bot.settings.SnifferMode = true;
  ASSERT_TRUE(StartBot());
  for (std::size_t length : {3000u, 40000u}) {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    const std::vector<std::uint8_t> payload = ChatLinePayload("Main", text);
    ASSERT_TRUE(talker.SendPacket(kNetnsAddressA, port, kPacketChatLine, payload));
    ASSERT_TRUE(bot.RunUntil([&] { return bot.From(talker.Nick).size() == 1; })) << length;
    const DispatchedPacket packet = bot.From(talker.Nick)[0];
    EXPECT_EQ(packet.Sender.SrcAddr, kNetnsAddressB);
    ASSERT_GE(packet.Payload.size(), payload.size());
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), packet.Payload.begin())) << length;
    bot.dispatched.clear();
  }
}

TEST_F(NetNamespace, FailedSnifferStartsLeaveNoDescriptorOpen) {
  bot.settings.SnifferMode = true;
  const std::size_t before = OpenDescriptorCount();
  // No group address in multicast mode: refused before any socket.
  bot.settings.MulticastMode = true;
  bot.settings.SendAddress = kNetnsBroadcast;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(StartBot());
  EXPECT_TRUE(bot.log.Contains(W("Адрес группы должен быть от 224.0.0.0 до 239.255.255.255.")));
  // The capture is open when its interface is looked up.
  bot.settings.MulticastMode = false;
  bot.settings.LocalAddress = 0xC0000209;  // on nobody's interface
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(StartBot());
  EXPECT_TRUE(bot.log.Contains("Net error: Cannot assign requested address"));
  EXPECT_EQ(OpenDescriptorCount(), before);

  bot.settings.LocalAddress = kNetnsAddressA;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(StartBot());
    ASSERT_TRUE(bot.net.NetStop());
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(NetNamespace, CaptureErrorIsReportedOnceAndRetriedAfterASecond) {
  bot.settings.SnifferMode = true;
  ASSERT_TRUE(StartBot());
  bot.log.Clear();
  ASSERT_TRUE(ns.Ip(Side::kA, "link set veth-a down"));
  ASSERT_TRUE(bot.RunUntil([&] { return bot.log.Contains("Net Error."); }));
  const auto reported = std::chrono::steady_clock::now();
  EXPECT_EQ(bot.log.Texts(),
            (std::vector<std::string>{"Net Error.", "Net error: Network is down"}));

  ASSERT_TRUE(ns.Ip(Side::kA, "link set veth-a up"));
  // The peer keeps talking; the capture takes it up after its pause.
  ASSERT_TRUE(bot.RunUntil(
      [&] {
        talker.SendPacket(kNetnsAddressA, port, kPacketChatLine, ChatLinePayload("Main", "hi"));
        std::this_thread::sleep_for(20ms);
        return FromTalker() > 0;
      },
      5s));
  EXPECT_GE(std::chrono::steady_clock::now() - reported, 900ms);
  EXPECT_EQ(Count(bot.log, "Net Error."), 1u);
}

TEST_F(NetNamespace, StopDuringTheRetryPauseReturnsAtOnce) {
  bot.settings.SnifferMode = true;
  ASSERT_TRUE(StartBot());
  ASSERT_TRUE(ns.Ip(Side::kA, "link set veth-a down"));
  ASSERT_TRUE(bot.RunUntil([&] { return bot.log.Contains("Net Error."); }));
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(bot.net.NetStop());
  EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
}

TEST(NetPrivilege, SnifferStartWithoutNetRawFailsCleanly) {
  NetHarness bot(PickTestPort());
  bot.settings.SnifferMode = true;
  bool started = true;
  bool dropped = false;
  std::thread([&] {
    dropped = geteuid() != 0 || DropNetRawInThisThread();
    if (dropped) started = bot.net.NetStart();
  }).join();
  ASSERT_TRUE(dropped);
  EXPECT_FALSE(started);
  EXPECT_FALSE(bot.net.NetStarted());
  EXPECT_EQ(bot.log.Texts(), ConcatLines(NetStartLines("Snifer sockets mode.", bot.settings),
                                    {"Net error: Operation not permitted"}));
}

}  // namespace
}  // namespace pelmo
