// A burst of chat lines that arrives while the main thread is busy: when
// the main thread comes back it handles them all, in the order they came,
// each once. The program's own main-thread loop is used, held (not run)
// through the whole burst: as Windows has it, with a receive thread that
// takes every datagram off the socket and hands it over; and as the Linux
// programs have it, the main thread reading the socket, where the socket's
// buffer holds the burst and what it has no room for is counted and told.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
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

// The program's loop as one that does not wait on descriptors (Windows'):
// Net then reads on a receive thread of its own.
class LoopWithoutDescriptors final : public EventLoop {
 public:
  explicit LoopWithoutDescriptors(PollEventLoop& loop) : m_loop(loop) {}
  void Post(Task task) override { m_loop.Post(std::move(task)); }
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating, Task task) override {
    return m_loop.StartTimer(interval, repeating, std::move(task));
  }
  void StopTimer(TimerId id) override { m_loop.StopTimer(id); }

 private:
  PollEventLoop& m_loop;
};

TEST(NetBurst, HeldMainThreadGetsEveryDatagramOnceInOrder) {
  const std::uint16_t port = PickTestPort();
  PollEventLoop mainLoop;
  LoopWithoutDescriptors threaded(mainLoop);
  NetHarness bot(port, &threaded);
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

// The main thread reads the socket itself. A burst that the socket's
// buffer holds (even the kernel's smallest default one) waits there while
// the main thread is held, and comes through whole and in order; a flood
// far beyond it loses what found no room, and the log tells exactly how
// many were lost.
TEST(NetBurst, MainThreadReaderHandlesABurstAndCountsWhatTheSocketDropped) {
  const std::uint16_t port = PickTestPort();
  PollEventLoop mainLoop;
  NetHarness bot(port, &mainLoop);
  UdpPeer talker;
  ASSERT_TRUE(talker.Bind(kTalkerAddress, 0, false)) << std::strerror(errno);
  ASSERT_TRUE(bot.net.NetStart());
  const auto deadline = SteadyClock::now() + kBudget;

  const auto sendLines = [&](int count, const std::string& last) {
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(talker.SendPacket(kLoopbackAddress, port, kPacketChatLine,
                                    ChatLinePayload("Main", i + 1 < count ? LineText(i) : last)));
    }
  };
  // Runs the loop until the line marked last has been handled.
  const auto runUntil = [&](const std::string& last) {
    const auto seen = [&] {
      const std::vector<DispatchedPacket> lines = bot.From(talker.Nick);
      return !lines.empty() && Carries(lines.back(), last);
    };
    const EventLoop::TimerId timer = mainLoop.StartTimer(5ms, true, [&] {
      if (seen() || SteadyClock::now() >= deadline) mainLoop.Quit();
    });
    mainLoop.Run();
    mainLoop.StopTimer(timer);
    return seen();
  };

  constexpr int kHeld = 150;
  sendLines(kHeld, "held end");
  ASSERT_TRUE(bot.dispatched.empty()) << "the main thread was not held";
  ASSERT_TRUE(runUntil("held end"));
  std::vector<DispatchedPacket> lines = bot.From(talker.Nick);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kHeld));
  for (int i = 0; i + 1 < kHeld; ++i) {
    ASSERT_TRUE(Carries(lines[i], LineText(i))) << "datagram " << i << " out of place";
  }

  // Long lines, many times what the buffer holds; then, with the loop
  // running again, one more that the socket has room for.
  bot.dispatched.clear();
  constexpr int kFlood = 3000;
  // Told apart by their stamps, sent in turn: a packet like the last one
  // heard is taken for a repeat.
  std::vector<std::vector<std::uint8_t>> longLines;
  for (char fill : {'x', 'y', 'z'}) {
    longLines.push_back(
        talker.EncodePacket(kPacketChatLine, ChatLinePayload("Main", std::string(30000, fill))));
  }
  for (int i = 0; i < kFlood; ++i) {
    ASSERT_TRUE(talker.SendRaw(kLoopbackAddress, port, longLines[i % longLines.size()]));
  }
  bool endSent = false;
  const EventLoop::TimerId sender = mainLoop.StartTimer(5ms, true, [&] {
    if (!endSent && QueuedBytes(port) == 0) {
      sendLines(1, "flood end");
      endSent = true;
    }
  });
  ASSERT_TRUE(runUntil("flood end"));
  mainLoop.StopTimer(sender);
  const std::size_t handled = bot.From(talker.Nick).size() - 1;
  ASSERT_LT(handled, static_cast<std::size_t>(kFlood)) << "the socket held the whole flood";
  // The report comes a second after the first drop is known.
  mainLoop.StartTimer(1500ms, false, [&] { mainLoop.Quit(); });
  mainLoop.Run();
  const std::string report =
      W("Очередь приёма переполнена: отброшено датаграмм: ") + std::to_string(kFlood - handled) + ".";
  EXPECT_TRUE(bot.log.Contains(report)) << "expected \"" << report << "\"";
  bot.net.NetStop();
}

}  // namespace
}  // namespace pelmo
