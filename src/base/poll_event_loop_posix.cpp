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
  bool wasEmpty;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    wasEmpty = m_posted.empty();
    m_posted.push_back(std::move(task));
  }
  // A queue that holds tasks already has a wake-up on its way, or the loop
  // sees them before it sleeps (PollTimeoutMs): a burst of datagrams then
  // costs one wake-up, not one system call and one wake-up each.
  if (wasEmpty) Wake();
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

void PollEventLoop::RunPostedTasks() {
  // Only the tasks queued before this round run now; what they post waits
  // for the next round, so timers and descriptors are never starved.
  std::deque<Task> batch;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    batch.swap(m_posted);
  }
  // Tasks left over (after Quit or an exception) go back to the front of
  // the queue, ahead of anything posted meanwhile.
  struct Requeue {
    PollEventLoop& loop;
    std::deque<Task>& rest;
    ~Requeue() {
      if (rest.empty()) return;
      std::lock_guard<std::mutex> lock(loop.m_mutex);
      loop.m_posted.insert(loop.m_posted.begin(),
                           std::make_move_iterator(rest.begin()),
                           std::make_move_iterator(rest.end()));
    }
  } requeue{*this, batch};

  while (!batch.empty() && !m_quit) {
    Task task = std::move(batch.front());
    batch.pop_front();
    if (task) task();
  }
}

int PollEventLoop::PollTimeoutMs() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_posted.empty()) return 0;
  }
  return m_timers.WaitMs();
}

void PollEventLoop::Run() {
  std::vector<pollfd> fds;
  while (!m_quit) {
    RunPostedTasks();
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
