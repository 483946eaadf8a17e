// What every main-thread loop must do, whichever way it waits: a test
// suite for each loop type, instantiated beside that loop's own tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/event_loop.h"

namespace pelmo::contract {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

template <typename Loop>
class EventLoopContract : public ::testing::Test {};
TYPED_TEST_SUITE_P(EventLoopContract);

// Ends a Run() that a broken loop would never end, so that a fault fails
// the test instead of hanging it.
template <typename Loop>
class Watchdog {
 public:
  Watchdog(Loop& loop, std::chrono::milliseconds limit)
      : m_thread([&loop, limit, this] {
          auto end = SteadyClock::now() + limit;
          while (!m_done && SteadyClock::now() < end) std::this_thread::sleep_for(5ms);
          if (!m_done) {
            m_fired = true;
            loop.Quit();
          }
        }) {}
  ~Watchdog() {
    m_done = true;
    m_thread.join();
  }
  bool Fired() const { return m_fired; }

 private:
  std::atomic<bool> m_done{false};
  std::atomic<bool> m_fired{false};
  std::thread m_thread;
};

TYPED_TEST_P(EventLoopContract, PostedTasksRunOnTheLoopThreadInOrder) {
  TypeParam loop;
  Watchdog<TypeParam> watchdog(loop, 10s);
  std::vector<int> order;
  bool allOnLoopThread = true;
  const auto loopThread = std::this_thread::get_id();
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i) {
      loop.Post([&, i] {
        order.push_back(i);
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
      });
    }
    loop.Post([&] { loop.Quit(); });
  });
  loop.Run();
  poster.join();
  EXPECT_FALSE(watchdog.Fired());
  ASSERT_EQ(order.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(order[i], i);
  EXPECT_TRUE(allOnLoopThread);
}

TYPED_TEST_P(EventLoopContract, QuitLeavesTheRestQueuedForTheNextRun) {
  TypeParam loop;
  std::string trace;
  loop.Post([&] { trace += "a"; });
  loop.Post([&] {
    trace += "b";
    loop.Quit();
  });
  loop.Post([&] { trace += "c"; });
  loop.Run();
  EXPECT_EQ(trace, "ab");
  loop.Post([&] {
    trace += "d";
    loop.Quit();
  });
  loop.Run();
  EXPECT_EQ(trace, "abcd");
}

TYPED_TEST_P(EventLoopContract, AnExceptionLeavesRunAndKeepsTheQueue) {
  TypeParam loop;
  std::string trace;
  loop.Post([&] { throw std::runtime_error("task failed"); });
  loop.Post([&] {
    trace += "after";
    loop.Quit();
  });
  EXPECT_THROW(loop.Run(), std::runtime_error);
  loop.Run();
  EXPECT_EQ(trace, "after");
}

TYPED_TEST_P(EventLoopContract, QuitFromAnotherThreadWakesAnIdleLoop) {
  TypeParam loop;
  std::thread quitter([&] {
    std::this_thread::sleep_for(20ms);
    loop.Quit();
  });
  loop.Run();  // no timers, no tasks: only the wake-up can end this
  quitter.join();
}

TYPED_TEST_P(EventLoopContract, RepostingTaskDoesNotStarveTimers) {
  TypeParam loop;
  Watchdog<TypeParam> watchdog(loop, 5s);
  int spins = 0;
  std::function<void()> spin = [&] {
    ++spins;
    loop.Post(spin);
  };
  loop.Post(spin);
  bool timerFired = false;
  loop.StartTimer(20ms, false, [&] {
    timerFired = true;
    loop.Quit();
  });
  loop.Run();
  EXPECT_TRUE(timerFired);
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_GT(spins, 1);
}

TYPED_TEST_P(EventLoopContract, TimersFireInDueOrderNotEarlyAndOneShotsOnce) {
  TypeParam loop;
  Watchdog<TypeParam> watchdog(loop, 10s);
  std::string trace;
  const auto start = SteadyClock::now();
  SteadyClock::duration firstAt{};
  EventLoop::TimerId a = loop.StartTimer(60ms, false, [&] { trace += "3"; });
  EventLoop::TimerId b = loop.StartTimer(20ms, false, [&] {
    trace += "1";
    firstAt = SteadyClock::now() - start;
  });
  EventLoop::TimerId c = loop.StartTimer(40ms, false, [&] { trace += "2"; });
  loop.StartTimer(150ms, false, [&] { loop.Quit(); });
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, a);
  EXPECT_NE(c, b);
  loop.Run();
  EXPECT_EQ(trace, "123");
  EXPECT_GE(firstAt, 20ms);
  // Stopping fired or unknown timers is harmless.
  loop.StopTimer(a);
  loop.StopTimer(12345);
  EXPECT_FALSE(watchdog.Fired());
}

TYPED_TEST_P(EventLoopContract, RepeatingTimerStopsItselfAndStoppedTimersStaySilent) {
  TypeParam loop;
  Watchdog<TypeParam> watchdog(loop, 10s);
  int ticks = 0;
  bool stoppedFired = false;
  EventLoop::TimerId stopped = loop.StartTimer(30ms, true, [&] { stoppedFired = true; });
  loop.StopTimer(stopped);
  EventLoop::TimerId repeating = 0;
  repeating = loop.StartTimer(5ms, true, [&] {
    if (++ticks == 3) loop.StopTimer(repeating);
  });
  loop.StartTimer(120ms, false, [&] { loop.Quit(); });
  loop.Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(stoppedFired);
  EXPECT_FALSE(watchdog.Fired());
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopContract, PostedTasksRunOnTheLoopThreadInOrder, QuitLeavesTheRestQueuedForTheNextRun, AnExceptionLeavesRunAndKeepsTheQueue, QuitFromAnotherThreadWakesAnIdleLoop, RepostingTaskDoesNotStarveTimers, TimersFireInDueOrderNotEarlyAndOneShotsOnce, RepeatingTimerStopsItselfAndStoppedTimersStaySilent);

}  // namespace pelmo::contract
