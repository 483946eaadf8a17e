#include "fakes/manual_event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/date_time.h"
#include "fakes/fake_clock.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

TEST(ManualEventLoop, RunPendingRunsTasksInPostOrderIncludingNewOnes) {
  ManualEventLoop loop;
  std::string trace;
  loop.Post([&] {
    trace += "a";
    loop.Post([&] { trace += "c"; });
  });
  std::thread other([&] { loop.Post([&] { trace += "b"; }); });
  other.join();
  EXPECT_EQ(trace, "");
  EXPECT_EQ(loop.PendingTasks(), 2u);
  EXPECT_EQ(loop.RunPending(), 3u);
  EXPECT_EQ(trace, "abc");
  EXPECT_EQ(loop.RunPending(), 0u);
}

TEST(ManualEventLoop, AdvanceFiresTimersInDueOrderAtTheirDueTime) {
  FakeClock clock(EncodeDateTime({2026, 12, 31, 23, 59, 59, 0}), 1000);
  ManualEventLoop loop(&clock);
  std::string trace;
  loop.StartTimer(1500ms, false, [&] {
    trace += "once@" + std::to_string(loop.Now().count()) + " ";
    EXPECT_EQ(clock.TickMs(), 2500u);
    EXPECT_EQ(clock.Now(), EncodeDateTime({2027, 1, 1, 0, 0, 0, 500}));
  });
  EventLoop::TimerId tick = loop.StartTimer(1000ms, true, [&] {
    trace += "tick@" + std::to_string(loop.Now().count()) + " ";
    loop.Post([&] { trace += "posted "; });
  });
  loop.Advance(999ms);
  EXPECT_EQ(trace, "");
  loop.Advance(2001ms);
  EXPECT_EQ(trace, "tick@1000 posted once@1500 tick@2000 posted tick@3000 posted ");
  EXPECT_EQ(loop.Now(), 3000ms);
  EXPECT_EQ(clock.TickMs(), 4000u);
  EXPECT_TRUE(loop.TimerActive(tick));
  EXPECT_EQ(loop.TimeUntil(tick), 1000ms);
  EXPECT_EQ(loop.ActiveTimers(), 1u);
}

TEST(ManualEventLoop, TimersStopThemselvesAndEachOther) {
  ManualEventLoop loop;
  int ticks = 0;
  bool victimFired = false;
  EventLoop::TimerId self = 0;
  self = loop.StartTimer(100ms, true, [&] {
    if (++ticks == 2) loop.StopTimer(self);
  });
  EventLoop::TimerId victim = loop.StartTimer(150ms, false, [&] { victimFired = true; });
  // Due with the victim at 100: started first, so it fires first.
  loop.StartTimer(100ms, false, [&] { loop.StopTimer(victim); });
  loop.Advance(1s);
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(victimFired);
  EXPECT_EQ(loop.ActiveTimers(), 0u);
  EXPECT_EQ(loop.TimeUntil(self), -1ms);
}

TEST(ManualEventLoop, ZeroDelayTimerFiresOnAdvanceByZero) {
  ManualEventLoop loop;
  int fired = 0;
  loop.StartTimer(0ms, false, [&] { ++fired; });
  loop.RunPending();
  EXPECT_EQ(fired, 0);
  loop.Advance(0ms);
  EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace pelmo
