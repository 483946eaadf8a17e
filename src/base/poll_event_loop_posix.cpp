#include "base/poll_event_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

namespace pelmo {

PollEventLoop::PollEventLoop() {
  m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_wakeFd < 0) {
    throw std::system_error(errno, std::generic_category(), "eventfd");
  }
}

PollEventLoop::~PollEventLoop() { ::close(m_wakeFd); }

void PollEventLoop::Post(Task task) {
  // A queue that holds tasks already has a wake-up on its way, or the loop
  // sees them before it sleeps (PollTimeoutMs): a burst of datagrams then
  // costs one wake-up, not one system call and one wake-up each.
  if (m_posted.Push(std::move(task))) Wake();
}

void PollEventLoop::Wake() {
  std::uint64_t one = 1;
  // A full counter (EAGAIN) already means "wake up"; nothing else can fail.
  while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

EventLoop::TimerId PollEventLoop::StartTimer(std::chrono::milliseconds interval,
                                             bool repeating, Task task) {
  return m_timers.Start(interval, repeating, std::move(task));
}

void PollEventLoop::StopTimer(TimerId id) { m_timers.Stop(id); }

void PollEventLoop::WatchFd(int fd, Task onReadable) {
  m_watchers[fd] = std::move(onReadable);
}

void PollEventLoop::UnwatchFd(int fd) { m_watchers.erase(fd); }

void PollEventLoop::Quit() {
  m_quit = true;
  Wake();
}

int PollEventLoop::PollTimeoutMs() {
  if (!m_posted.Empty()) return 0;
  return m_timers.WaitMs();
}

void PollEventLoop::Run() {
  std::vector<pollfd> fds;
  while (!m_quit) {
    m_posted.RunBatch(m_quit);
    if (m_quit) break;
    m_timers.RunDue(m_quit);
    if (m_quit) break;

    fds.clear();
    fds.push_back(pollfd{m_wakeFd, POLLIN, 0});
    for (const auto& entry : m_watchers) fds.push_back(pollfd{entry.first, POLLIN, 0});
    int ready = ::poll(fds.data(), fds.size(), PollTimeoutMs());
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "poll");
    }
    if (fds[0].revents != 0) {
      std::uint64_t count;
      while (::read(m_wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
      }
    }
    for (std::size_t i = 1; i < fds.size() && !m_quit; ++i) {
      if (fds[i].revents == 0) continue;
      // An earlier watcher of this round may have removed this one.
      auto found = m_watchers.find(fds[i].fd);
      if (found == m_watchers.end()) continue;
      if (fds[i].revents & POLLNVAL) {
        // Closed without being unwatched: it would wake us forever.
        m_watchers.erase(found);
        continue;
      }
      // A copy: the task may unwatch (and so destroy) itself.
      Task task = found->second;
      if (task) task();
    }
  }
  m_quit = false;
}

}  // namespace pelmo
