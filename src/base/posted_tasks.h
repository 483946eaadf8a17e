// The queue of tasks posted to a main-thread loop, shared by the loops that
// keep their own (PollEventLoop, QueueEventLoop): filled from any thread,
// emptied by the loop one batch a round.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "base/event_loop.h"

namespace pelmo {

class PostedTasks {
 public:
  using Clock = std::chrono::steady_clock;

  // Any thread. Appends task and wakes a Wait(). Returns whether the queue
  // was empty before: a loop that is woken by other means needs waking
  // only for the first task of a burst, as it looks at the queue again
  // before it sleeps.
  bool Push(EventLoop::Task task);
  // Any thread.
  bool Empty() const;

  // Loop thread. Runs the tasks queued before the call, in order, while
  // quit is not set; what they post waits for the next call, so that
  // timers and descriptors are never starved. Tasks left over (after quit,
  // or when a task throws: the exception passes through) go back to the
  // front of the queue, ahead of anything posted meanwhile.
  void RunBatch(const std::atomic<bool>& quit);

  // Loop thread. Returns once a task is queued, quit is set (announced by
  // Notify) or until has passed (nullopt: no time limit).
  void Wait(const std::atomic<bool>& quit, std::optional<Clock::time_point> until);
  // Any thread, after setting the quit flag that Wait watches: wakes it.
  void Notify();

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<EventLoop::Task> m_tasks;
};

}  // namespace pelmo
