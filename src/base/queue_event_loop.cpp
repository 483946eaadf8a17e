#include "base/queue_event_loop.h"

#include <utility>

namespace pelmo {

void QueueEventLoop::Post(Task task) { m_posted.Push(std::move(task)); }

EventLoop::TimerId QueueEventLoop::StartTimer(std::chrono::milliseconds interval, bool repeating,
                                              Task task) {
  return m_timers.Start(interval, repeating, std::move(task));
}

void QueueEventLoop::StopTimer(TimerId id) { m_timers.Stop(id); }

void QueueEventLoop::Quit() {
  m_quit = true;
  m_posted.Notify();
}

void QueueEventLoop::Run() {
  while (!m_quit) {
    m_posted.RunBatch(m_quit);
    if (m_quit) break;
    m_timers.RunDue(m_quit);
    if (m_quit) break;
    m_posted.Wait(m_quit, m_timers.NextDue());
  }
  m_quit = false;
}

}  // namespace pelmo
