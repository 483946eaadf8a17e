// The Linux program's main-thread loop: poll() on an eventfd that Post()
// signals, on file descriptors being watched (standard input, signals), with
// the nearest timer as the timeout.
#pragma once

#include <atomic>
#include <chrono>
#include <map>

#include "base/event_loop.h"
#include "base/posted_tasks.h"
#include "base/timer_queue.h"

namespace pelmo {

class PollEventLoop final : public EventLoop, public DescriptorWatcher {
 public:
  using Task = EventLoop::Task;

  PollEventLoop();
  ~PollEventLoop() override;
  PollEventLoop(const PollEventLoop&) = delete;
  PollEventLoop& operator=(const PollEventLoop&) = delete;

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating,
                     Task task) override;
  void StopTimer(TimerId id) override;

  // Main thread only. Calls onReadable whenever fd is readable (or hung
  // up; the task must then unwatch or it is called again at once); one
  // watcher per descriptor, a second WatchFd replaces the first. UnwatchFd
  // may be called from the task. A descriptor closed while watched is
  // dropped. The caller keeps ownership of fd.
  void WatchFd(int fd, Task onReadable) override;
  void UnwatchFd(int fd) override;
  DescriptorWatcher* Descriptors() override { return this; }

  // Runs until Quit(). Main thread. Each round runs the tasks posted before
  // it, then the due timers (in order of due time), then the watchers of
  // readable descriptors. An exception from a task leaves Run(); the tasks
  // not yet run stay queued and Run() may be called again.
  void Run();
  // Any thread: Run() returns after the task being handled; the remaining
  // tasks stay queued. A Quit() before Run() makes the next Run() return at
  // once.
  void Quit();

 private:
  void Wake();
  int PollTimeoutMs();

  int m_wakeFd = -1;
  PostedTasks m_posted;
  std::atomic<bool> m_quit{false};
  TimerQueue m_timers;
  std::map<int, Task> m_watchers;
};

}  // namespace pelmo
