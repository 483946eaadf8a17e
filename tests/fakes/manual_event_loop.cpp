#include "fakes/manual_event_loop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "fakes/fake_clock.h"

namespace pelmo {

namespace {

// Far beyond any sane test; reaching it means tasks repost themselves.
constexpr std::size_t kMaxTasksPerRun = 1000000;

}  // namespace

ManualEventLoop::ManualEventLoop(FakeClock* clock) : m_clock(clock) {}

void ManualEventLoop::Post(Task task) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_posted.push_back(std::move(task));
}

EventLoop::TimerId ManualEventLoop::StartTimer(std::chrono::milliseconds interval,
                                               bool repeating, Task task) {
  if (interval.count() < 0) interval = std::chrono::milliseconds(0);
  TimerId id = m_nextTimerId++;
  m_timers.emplace(id, Timer{m_now + interval, interval, repeating, std::move(task)});
  return id;
}

void ManualEventLoop::StopTimer(TimerId id) { m_timers.erase(id); }

std::size_t ManualEventLoop::PendingTasks() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_posted.size();
}

std::chrono::milliseconds ManualEventLoop::TimeUntil(TimerId id) const {
  auto found = m_timers.find(id);
  if (found == m_timers.end()) return std::chrono::milliseconds(-1);
  return found->second.due - m_now;
}

std::size_t ManualEventLoop::RunPending() {
  std::size_t count = 0;
  for (;;) {
    Task task;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_posted.empty()) return count;
      task = std::move(m_posted.front());
      m_posted.pop_front();
    }
    if (++count > kMaxTasksPerRun) {
      throw std::runtime_error("ManualEventLoop: posted tasks never end");
    }
    if (task) task();
  }
}

void ManualEventLoop::MoveTo(std::chrono::milliseconds time) {
  if (time <= m_now) return;
  if (m_clock != nullptr) {
    m_clock->AdvanceMs(static_cast<std::uint64_t>((time - m_now).count()));
  }
  m_now = time;
}

void ManualEventLoop::Advance(std::chrono::milliseconds step) {
  if (step.count() < 0) step = std::chrono::milliseconds(0);
  const std::chrono::milliseconds target = m_now + step;
  std::size_t fired = 0;
  RunPending();
  for (;;) {
    // The earliest due timer; map order (start order) breaks ties.
    auto next = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
      if (it->second.due <= target &&
          (next == m_timers.end() || it->second.due < next->second.due)) {
        next = it;
      }
    }
    if (next == m_timers.end()) break;
    if (++fired > kMaxTasksPerRun) {
      throw std::runtime_error("ManualEventLoop: timers never end");
    }
    MoveTo(next->second.due);
    Task task;
    if (next->second.repeating) {
      // A copy: the task may stop (and so destroy) its own timer. A zero
      // interval still moves on, or this step would never end.
      task = next->second.task;
      next->second.due += std::max(next->second.interval, std::chrono::milliseconds(1));
    } else {
      task = std::move(next->second.task);
      m_timers.erase(next);
    }
    if (task) task();
    RunPending();
  }
  MoveTo(target);
  RunPending();
}

}  // namespace pelmo
