// A main-thread loop with no file descriptors: posted tasks and timers
// only, waiting on a condition variable. The Windows program runs it;
// whatever must reach the loop from outside (console lines, the console's
// close events) comes from threads of its own through Post().
#pragma once

#include <atomic>

#include "base/event_loop.h"
#include "base/posted_tasks.h"
#include "base/timer_queue.h"

namespace pelmo {

class QueueEventLoop final : public EventLoop {
 public:
  QueueEventLoop() = default;
  QueueEventLoop(const QueueEventLoop&) = delete;
  QueueEventLoop& operator=(const QueueEventLoop&) = delete;

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating,
                     Task task) override;
  void StopTimer(TimerId id) override;

  // Runs until Quit(). Main thread. Each round runs the tasks posted before
  // it, then the due timers (in order of due time). An exception from a
  // task leaves Run(); the tasks not yet run stay queued and Run() may be
  // called again.
  void Run();
  // Any thread: Run() returns after the task being handled; the remaining
  // tasks stay queued. A Quit() before Run() makes the next Run() return at
  // once.
  void Quit();

 private:
  PostedTasks m_posted;
  std::atomic<bool> m_quit{false};
  TimerQueue m_timers;
};

}  // namespace pelmo
