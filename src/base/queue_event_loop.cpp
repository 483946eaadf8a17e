#include "base/queue_event_loop.h"

#include <iterator>
#include <utility>

namespace pelmo {

void QueueEventLoop::Post(Task task) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_posted.push_back(std::move(task));
  }
  m_wake.notify_one();
}

EventLoop::TimerId QueueEventLoop::StartTimer(std::chrono::milliseconds interval, bool repeating,
                                              Task task) {
  return m_timers.Start(interval, repeating, std::move(task));
}

void QueueEventLoop::StopTimer(TimerId id) { m_timers.Stop(id); }

void QueueEventLoop::Quit() {
  {
    // Under the lock, so that the wake-up cannot fall between Run()'s test
    // of the flag and its wait.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
  }
  m_wake.notify_one();
}

void QueueEventLoop::RunPostedTasks() {
  // Only the tasks queued before this round run now; what they post waits
  // for the next round, so timers are never starved.
  std::deque<Task> batch;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    batch.swap(m_posted);
  }
  // Tasks left over (after Quit or an exception) go back to the front of
  // the queue, ahead of anything posted meanwhile.
  struct Requeue {
    QueueEventLoop& loop;
    std::deque<Task>& rest;
    ~Requeue() {
      if (rest.empty()) return;
      std::lock_guard<std::mutex> lock(loop.m_mutex);
      loop.m_posted.insert(loop.m_posted.begin(), std::make_move_iterator(rest.begin()),
                           std::make_move_iterator(rest.end()));
    }
  } requeue{*this, batch};

  while (!batch.empty() && !m_quit) {
    Task task = std::move(batch.front());
    batch.pop_front();
    if (task) task();
  }
}

void QueueEventLoop::Run() {
  while (!m_quit) {
    RunPostedTasks();
    if (m_quit) break;
    m_timers.RunDue(m_quit);
    if (m_quit) break;

    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_quit || !m_posted.empty(); };
    if (const auto next = m_timers.NextDue()) {
      m_wake.wait_until(lock, *next, ready);
    } else {
      m_wake.wait(lock, ready);
    }
  }
  m_quit = false;
}

}  // namespace pelmo
