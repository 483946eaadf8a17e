// The tests' main-thread loop: nothing runs until the test says so.
// RunPending() runs the posted tasks; Advance() moves the loop's own time
// (and a FakeClock, when one is given) and fires the timers that fall due
// on the way, in the order of their due times, as the real loop would.
// Post() may be called from any thread; everything else from the test's
// thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>

#include "base/event_loop.h"

namespace pelmo {

class FakeClock;

class ManualEventLoop final : public EventLoop {
 public:
  // clock, when given, is moved forward together with the loop's time, so
  // a timer's task sees the clock at the timer's due time. Not owned; it
  // must outlive the loop.
  explicit ManualEventLoop(FakeClock* clock = nullptr);

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating,
                     Task task) override;
  void StopTimer(TimerId id) override;

  // Runs posted tasks, in order, until none is left (tasks posted by these
  // tasks run too). Returns how many ran. Throws std::runtime_error when
  // tasks keep posting past a large bound (a test that would never end).
  std::size_t RunPending();
  // Runs the pending tasks, then moves time forward by step, stopping at
  // each due timer: the time is set to its due time, it fires (a repeating
  // one is re-armed first), and the tasks it posted run. Timers due at the
  // same moment fire in the order they were started.
  void Advance(std::chrono::milliseconds step);

  // Time since the loop was made.
  std::chrono::milliseconds Now() const { return m_now; }
  std::size_t PendingTasks() const;
  std::size_t ActiveTimers() const { return m_timers.size(); }
  bool TimerActive(TimerId id) const { return m_timers.count(id) != 0; }
  // Time until the timer fires next; negative when it is not active.
  std::chrono::milliseconds TimeUntil(TimerId id) const;

 private:
  struct Timer {
    std::chrono::milliseconds due;
    std::chrono::milliseconds interval;
    bool repeating;
    Task task;
  };
  void MoveTo(std::chrono::milliseconds time);

  FakeClock* m_clock;
  std::chrono::milliseconds m_now{0};
  mutable std::mutex m_mutex;
  std::deque<Task> m_posted;
  std::map<TimerId, Timer> m_timers;
  TimerId m_nextTimerId = 1;
};

}  // namespace pelmo
