#include "base/posted_tasks.h"

#include <iterator>
#include <utility>

namespace pelmo {

bool PostedTasks::Push(EventLoop::Task task) {
  bool wasEmpty;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    wasEmpty = m_tasks.empty();
    m_tasks.push_back(std::move(task));
  }
  m_ready.notify_one();
  return wasEmpty;
}

bool PostedTasks::Empty() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tasks.empty();
}

void PostedTasks::RunBatch(const std::atomic<bool>& quit) {
  std::deque<EventLoop::Task> batch;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    batch.swap(m_tasks);
  }
  struct Requeue {
    PostedTasks& queue;
    std::deque<EventLoop::Task>& rest;
    ~Requeue() {
      if (rest.empty()) return;
      std::lock_guard<std::mutex> lock(queue.m_mutex);
      queue.m_tasks.insert(queue.m_tasks.begin(), std::make_move_iterator(rest.begin()),
                           std::make_move_iterator(rest.end()));
    }
  } requeue{*this, batch};

  while (!batch.empty() && !quit) {
    EventLoop::Task task = std::move(batch.front());
    batch.pop_front();
    if (task) task();
  }
}

void PostedTasks::Wait(const std::atomic<bool>& quit, std::optional<Clock::time_point> until) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const auto ready = [&] { return quit || !m_tasks.empty(); };
  if (until) {
    m_ready.wait_until(lock, *until, ready);
  } else {
    m_ready.wait(lock, ready);
  }
}

void PostedTasks::Notify() {
  {
    // Taking the lock puts the caller's flag before or after Wait's test
    // of it, never between that test and the wait, where a wake-up would
    // be lost.
    std::lock_guard<std::mutex> lock(m_mutex);
  }
  m_ready.notify_one();
}

}  // namespace pelmo
