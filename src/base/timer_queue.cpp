#include "base/timer_queue.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace pelmo {

EventLoop::TimerId TimerQueue::Start(std::chrono::milliseconds interval, bool repeating,
                                     EventLoop::Task task) {
  if (interval.count() < 0) interval = std::chrono::milliseconds(0);
  const EventLoop::TimerId id = m_nextId++;
  m_timers.emplace(id, Timer{Clock::now() + interval, interval, repeating, std::move(task)});
  return id;
}

void TimerQueue::Stop(EventLoop::TimerId id) { m_timers.erase(id); }

void TimerQueue::RunDue(const std::atomic<bool>& quit) {
  const Clock::time_point now = Clock::now();
  std::vector<std::pair<Clock::time_point, EventLoop::TimerId>> due;
  for (const auto& [id, timer] : m_timers) {
    if (timer.due <= now) due.emplace_back(timer.due, id);
  }
  std::sort(due.begin(), due.end());

  for (const auto& entry : due) {
    if (quit) return;
    // An earlier task of this round may have stopped this timer.
    auto found = m_timers.find(entry.second);
    if (found == m_timers.end()) continue;
    Timer& timer = found->second;
    EventLoop::Task task;
    if (timer.repeating) {
      // A copy: the task may stop (and so destroy) its own timer.
      task = timer.task;
      timer.due += timer.interval;
      if (timer.due <= now) timer.due = now + timer.interval;
    } else {
      task = std::move(timer.task);
      m_timers.erase(found);
    }
    if (task) task();
  }
}

std::optional<TimerQueue::Clock::time_point> TimerQueue::NextDue() const {
  if (m_timers.empty()) return std::nullopt;
  Clock::time_point nearest = Clock::time_point::max();
  for (const auto& entry : m_timers) nearest = std::min(nearest, entry.second.due);
  return nearest;
}

int TimerQueue::WaitMs() const {
  const std::optional<Clock::time_point> next = NextDue();
  if (!next) return -1;
  const Clock::time_point now = Clock::now();
  if (*next <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now);
  return static_cast<int>(std::min<long long>(wait.count(), INT_MAX));
}

}  // namespace pelmo
