// A burst of chat lines that arrives while the main thread is busy: the
// receive thread takes every datagram off the socket and hands it over,
// and when the main thread comes back it handles them all, in the order
// they came, each once. The program's own main-thread loop is used, held
// (not run) through the whole burst, so the hand-off is the one the
// program has.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/poll_event_loop.h"
#include "fakes/net_harness.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr std::uint32_t kTalkerAddress = 0x7F000002;  // 127.0.0.2
constexpr int kBurst = 2000;
// The burst goes in rounds, the next once the socket's queue is empty
// again: a round is far below what even the kernel's smallest default
// receive buffer holds (some 200 small datagrams), so the kernel drops
// none and whatever is lost is lost in the hand-off.
constexpr int kRound = 50;
// All the test may take, generous for sanitizer runs; only a failure
// waits that long.
constexpr auto kBudget = 20s;

// The chat line "Main", text as the peer sends it, followed by no more
// than the packet's zero fill.
bool Carries(const DispatchedPacket& packet, const std::string& text) {
  const std::vector<std::uint8_t> line = ChatLinePayload("Main", text);
  const std::vector<std::uint8_t>& payload = packet.Payload;
  if (payload.size() < line.size() || payload.size() > line.size() + 7) return false;
  for (std::size_t i = 0; i < payload.size(); ++i) {
    if (payload[i] != (i < line.size() ? line[i] : 0)) return false;
  }
  return true;
}

std::string LineText(int number) { return "line " + std::to_string(number); }

TEST(NetBurst, HeldMainThreadGetsEveryDatagramOnceInOrder) {
  const std::uint16_t port = PickTestPort();
  PollEventLoop mainLoop;
  NetHarness bot(port, &mainLoop);
  UdpPeer talker;
  ASSERT_TRUE(talker.Bind(kTalkerAddress, 0, false)) << std::strerror(errno);
  ASSERT_TRUE(bot.net.NetStart());
  const auto deadline = SteadyClock::now() + kBudget;

  // The last line marks the end: every datagram before it has been posted
  // once it is handled.
  for (int sent = 0; sent <= kBurst;) {
    for (int i = 0; i < kRound && sent <= kBurst; ++i, ++sent) {
      const std::string text = sent < kBurst ? LineText(sent) : "end";
      ASSERT_TRUE(talker.SendPacket(kLoopbackAddress, port, kPacketChatLine,
                                    ChatLinePayload("Main", text)));
    }
    while (QueuedBytes(port) != 0) {
      ASSERT_LT(SteadyClock::now(), deadline) << "the receive thread stopped taking datagrams";
      std::this_thread::sleep_for(1ms);
    }
  }
  ASSERT_TRUE(bot.dispatched.empty()) << "the main thread was not held";

  const auto ended = [&] {
    const std::vector<DispatchedPacket> lines = bot.From(talker.Nick);
    return !lines.empty() && Carries(lines.back(), "end");
  };
  mainLoop.StartTimer(5ms, true, [&] {
    if (ended() || SteadyClock::now() >= deadline) mainLoop.Quit();
  });
  mainLoop.Run();
  bot.net.NetStop();

  const std::vector<DispatchedPacket> lines = bot.From(talker.Nick);
  EXPECT_TRUE(ended()) << "the end mark never reached the main thread";
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kBurst + 1));
  for (int i = 0; i < kBurst; ++i) {
    ASSERT_TRUE(Carries(lines[i], LineText(i))) << "datagram " << i << " out of place";
  }
}

}  // namespace
}  // namespace pelmo
