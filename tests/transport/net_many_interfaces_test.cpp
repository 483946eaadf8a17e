// Net on hosts with more than one address: a second address on the chat's
// interface, more interfaces than one socket may join a group on, and a
// second network whose broadcasts are none of the chat's business. The bot
// runs in one test namespace, its peers in the other (see fakes/netns.h).
// Needs root; skipped otherwise.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "fakes/net_harness.h"
#include "fakes/netns.h"
#include "fakes/udp_peer.h"
#include "transport/net.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;
using Side = NetnsPair::Side;

constexpr std::uint32_t kGroup = 0xEFFF4D03;          // 239.255.77.3
constexpr std::uint32_t kSecondary = 0xC0000203;      // 192.0.2.3, also on veth-a
constexpr std::uint32_t kOtherA = 0xC6336401;         // 198.51.100.1, A's other network
constexpr std::uint32_t kOtherB = 0xC6336402;         // 198.51.100.2
constexpr std::uint32_t kOtherBroadcast = 0xC63364FF;  // 198.51.100.255
constexpr const char* kJoinLine = "SetSockOpt(IP_ADD_MEMBERSHIP): ";

std::size_t CountPrefix(const RecordingLog& log, const std::string& prefix) {
  const auto texts = log.Texts();
  return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [&](const auto& t) {
    return t.rfind(prefix, 0) == 0;
  }));
}

class NetManyInterfaces : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
    bot.settings.LocalAddress = kNetnsAddressA;
    bot.settings.SendAddress = kNetnsBroadcast;
    // Records every packet, as the harness does, and answers probes as the
    // bot's dispatcher does.
    bot.codec.SetDispatcher([this](const ReceivedPacket& received) {
      DispatchedPacket packet;
      packet.Header = received.header;
      packet.Sender = received.sender;
      bot.dispatched.push_back(packet);
      if (packet.Header.PacketType == kPacketProbe) {
        bot.codec.SendProbeReply(packet.Sender.SrcAddr);
      }
    });
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
  void UseGroup(bool sniffer) {
    bot.settings.SnifferMode = sniffer;
    bot.settings.MulticastMode = true;
    bot.settings.SendAddress = kGroup;
    ASSERT_TRUE(talker.SetMulticastInterface(kNetnsAddressB));
  }
  // A probe to the group from B is answered to B's chat port.
  void ExpectProbeAnswered() {
    ASSERT_TRUE(talker.SendPacket(kGroup, port, kPacketProbe, std::vector<std::uint8_t>(12, 7)));
    ASSERT_TRUE(bot.RunUntil([&] { return !bot.From(talker.Nick).empty(); }));
    const std::optional<PeerPacket> answer = listener.ReceivePacketOfType(kPacketPresenceReply, 2s);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->SrcAddr, kNetnsAddressA);
  }

  NetnsPair ns;
  std::uint16_t port = PickTestPort();
  NetHarness bot{port};
  UdpPeer listener;  // the chat port in namespace B
  UdpPeer talker;    // 192.0.2.2, any port
};

// Linux refuses a second membership of one interface ("Address already in
// use"); the membership is the interface's, whichever address names it.
TEST_F(NetManyInterfaces, SecondAddressOnAnInterfaceJoinsItOnce) {
  ASSERT_TRUE(ns.Ip(Side::kA, "addr add 192.0.2.3/24 dev veth-a"));
  for (bool sniffer : {false, true}) {
    SCOPED_TRACE(sniffer ? "sniffer" : "simple");
    bot.log.Clear();
    bot.dispatched.clear();
    ASSERT_NO_FATAL_FAILURE(UseGroup(sniffer));
    std::vector<std::uint32_t> interfaces;
    ns.RunIn(Side::kA, [&] { interfaces = GetInterfaces(); });
    ASSERT_EQ(interfaces,
              (std::vector<std::uint32_t>{kNetnsAddressA, kSecondary, kLoopbackAddress}));

    ASSERT_TRUE(StartBot());
    EXPECT_EQ(CountPrefix(bot.log, kJoinLine), 2u);
    EXPECT_TRUE(bot.log.Contains(kJoinLine + AddressToText(kNetnsAddressA)));
    EXPECT_TRUE(bot.log.Contains(kJoinLine + AddressToText(kLoopbackAddress)));
    EXPECT_FALSE(bot.log.ContainsPart("Net error"));
    ASSERT_NO_FATAL_FAILURE(ExpectProbeAnswered());
    ASSERT_TRUE(bot.net.NetStop());
  }
}

// One socket holds at most igmp_max_memberships groups ("No buffer space
// available" past it): the first interfaces are joined, the rest named.
TEST_F(NetManyInterfaces, MoreInterfacesThanMembershipsStartsAndNamesTheOnesLeftOut) {
  constexpr int kExtra = 21;
  for (int i = 1; i <= kExtra; ++i) {
    const std::string name = "vx" + std::to_string(i);
    ASSERT_TRUE(ns.Ip(Side::kA, "link add " + name + " type veth peer name vy" +
                                    std::to_string(i) + " netns " + ns.Name(Side::kB)));
    ASSERT_TRUE(ns.Ip(Side::kA, "addr add 10.77." + std::to_string(i) + ".1/24 dev " + name));
    ASSERT_TRUE(ns.Ip(Side::kA, "link set " + name + " up"));
  }
  std::vector<std::uint32_t> interfaces;
  std::size_t limit = 0;
  ns.RunIn(Side::kA, [&] {
    interfaces = GetInterfaces();
    std::ifstream("/proc/sys/net/ipv4/igmp_max_memberships") >> limit;
  });
  ASSERT_EQ(interfaces.size(), kExtra + 2u);
  ASSERT_EQ(interfaces.front(), kNetnsAddressA);
  ASSERT_LT(limit, interfaces.size());

  for (bool sniffer : {false, true}) {
    SCOPED_TRACE(sniffer ? "sniffer" : "simple");
    bot.log.Clear();
    bot.dispatched.clear();
    ASSERT_NO_FATAL_FAILURE(UseGroup(sniffer));
    ASSERT_TRUE(StartBot());
    EXPECT_EQ(CountPrefix(bot.log, kJoinLine), limit);
    std::string leftOut;
    for (std::size_t i = limit; i < interfaces.size(); ++i) {
      leftOut += " " + AddressToText(interfaces[i]);
    }
    EXPECT_TRUE(bot.log.Contains("Group not joined on " +
                                 std::to_string(interfaces.size() - limit) +
                                 " interface(s), limit of " + std::to_string(limit) +
                                 " memberships (net.ipv4.igmp_max_memberships):" + leftOut));
    EXPECT_FALSE(bot.log.ContainsPart("Net error"));
    ASSERT_NO_FATAL_FAILURE(ExpectProbeAnswered());
    ASSERT_TRUE(bot.net.NetStop());
  }
}

// Broadcast mode binds the wildcard address, which lets in every network's
// broadcasts; only the chat's own network may reach the bot.
TEST_F(NetManyInterfaces, BroadcastModeHearsOnlyTheChatsNetwork) {
  ASSERT_TRUE(ns.Ip(Side::kA, "link add veth-c type veth peer name veth-d netns " +
                                  ns.Name(Side::kB)));
  ASSERT_TRUE(ns.Ip(Side::kA, "addr add 198.51.100.1/24 broadcast 198.51.100.255 dev veth-c"));
  ASSERT_TRUE(ns.Ip(Side::kB, "addr add 198.51.100.2/24 broadcast 198.51.100.255 dev veth-d"));
  ASSERT_TRUE(ns.Ip(Side::kA, "link set veth-c up"));
  ASSERT_TRUE(ns.Ip(Side::kB, "link set veth-d up"));
  UdpPeer other;  // B's end of the other network
  UdpPeer local;  // a participant on the bot's own computer
  ns.RunIn(Side::kB, [&] {
    ASSERT_TRUE(other.Bind(kOtherB, 0, false));
    ASSERT_TRUE(other.EnableBroadcast());
    ASSERT_TRUE(talker.EnableBroadcast());
  });
  ns.RunIn(Side::kA, [&] {
    ASSERT_TRUE(local.Bind(kLoopbackAddress, 0, false));
    ASSERT_TRUE(local.EnableBroadcast());
  });
  other.Nick = "Other";
  local.Nick = "Local";

  struct Case {
    const char* what;
    std::uint32_t botAddress;
    std::uint32_t botBroadcast;
    UdpPeer* sender;
    std::uint32_t to;
    bool heard;
  };
  const Case cases[] = {
      {"the chat's broadcast", kNetnsAddressA, kNetnsBroadcast, &talker, kNetnsBroadcast, true},
      {"unicast to ip", kNetnsAddressA, kNetnsBroadcast, &talker, kNetnsAddressA, true},
      {"unicast to ip from this computer", kNetnsAddressA, kNetnsBroadcast, &local,
       kNetnsAddressA, true},
      {"the other network's broadcast", kNetnsAddressA, kNetnsBroadcast, &other, kOtherBroadcast,
       false},
      {"unicast to the other network's address", kNetnsAddressA, kNetnsBroadcast, &other, kOtherA,
       false},
      // A bot kept on loopback answered these from 127.0.0.1: "Invalid argument".
      {"loopback bot, the veth's broadcast", kLoopbackAddress, kLoopbackBroadcast, &talker,
       kNetnsBroadcast, false},
      {"loopback bot, the loopback broadcast", kLoopbackAddress, kLoopbackBroadcast, &local,
       kLoopbackBroadcast, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bot.settings.LocalAddress = c.botAddress;
    bot.settings.SendAddress = c.botBroadcast;
    ASSERT_TRUE(StartBot());
    bot.dispatched.clear();
    bot.log.Clear();
    ASSERT_TRUE(c.sender->SendPacket(c.to, port, kPacketProbe, std::vector<std::uint8_t>(12, 1)));
    // The bot's own join and probe are heard too; a marker from the chat's
    // side shows that everything before it has been handled.
    UdpPeer& marker = c.botAddress == kLoopbackAddress ? local : talker;
    // Stamps of two peers within one millisecond may be equal, and the
    // second would be dropped as a repeat.
    std::this_thread::sleep_for(3ms);
    const std::string markerNick = marker.Nick;
    marker.Nick = "Marker";
    ASSERT_TRUE(marker.SendPacket(c.botAddress, port, kPacketChatLine,
                                  ChatLinePayload("Main", "end")));
    marker.Nick = markerNick;
    ASSERT_TRUE(bot.RunUntil([&] { return !bot.From("Marker").empty(); }));
    bot.RunFor(50ms);
    EXPECT_EQ(bot.From(c.sender->Nick).size(), c.heard ? 1u : 0u);
    EXPECT_FALSE(bot.log.ContainsPart("Net error"));
    ASSERT_TRUE(bot.net.NetStop());
  }
}

}  // namespace
}  // namespace pelmo
