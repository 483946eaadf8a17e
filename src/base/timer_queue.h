// The timers of a main-thread loop, shared by the loops of both platforms:
// due times on the steady clock, fired in order of due time. Main thread
// only.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <optional>

#include "base/event_loop.h"

namespace pelmo {

class TimerQueue {
 public:
  using Clock = std::chrono::steady_clock;

  // As EventLoop::StartTimer and StopTimer.
  EventLoop::TimerId Start(std::chrono::milliseconds interval, bool repeating,
                           EventLoop::Task task);
  void Stop(EventLoop::TimerId id);

  // Fires the timers due now, in order of due time; a repeating one is
  // re-armed before its task runs, and after a long stall fires once, not
  // once per missed interval. Returns early once quit is set.
  void RunDue(const std::atomic<bool>& quit);
  // The nearest due time; nullopt when no timer runs.
  std::optional<Clock::time_point> NextDue() const;
  // Milliseconds until NextDue, rounded up (so that a wait never ends just
  // before it), 0 when one is due, -1 when no timer runs.
  int WaitMs() const;

 private:
  struct Timer {
    Clock::time_point due;
    std::chrono::milliseconds interval;
    bool repeating;
    EventLoop::Task task;
  };
  std::map<EventLoop::TimerId, Timer> m_timers;
  EventLoop::TimerId m_nextId = 1;
};

}  // namespace pelmo
