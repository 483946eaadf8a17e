// The main-thread loop. Post() is the only operation that other threads may
// call; everything else is main thread only. Tasks run in the order they
// were posted; timers fire on the main thread. The headless program runs a
// PollEventLoop, tests a manual loop with a fake clock, and the window
// program adapts this interface to Qt.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace pelmo {

// A loop that waits on descriptors itself (POSIX): a reader of a socket can
// then run on the main thread, with no thread of its own between the
// socket and the main thread. Main thread only.
class DescriptorWatcher {
 public:
  using Task = std::function<void()>;
  virtual ~DescriptorWatcher() = default;
  // Calls onReadable whenever fd is readable (or hung up); one watcher per
  // descriptor, a second WatchFd replaces the first. UnwatchFd may be
  // called from the task. The caller keeps ownership of fd.
  virtual void WatchFd(int fd, Task onReadable) = 0;
  virtual void UnwatchFd(int fd) = 0;
};

class EventLoop {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  virtual ~EventLoop() = default;

  // Any thread. Queues the task to run on the main thread.
  virtual void Post(Task task) = 0;

  // Main thread only. Calls the task every interval (repeating) or once
  // after it. Returns an id that is never 0.
  virtual TimerId StartTimer(std::chrono::milliseconds interval, bool repeating,
                             Task task) = 0;
  // Main thread only. Stopping an unknown or fired one-shot id is harmless;
  // a timer may stop itself from its own task.
  virtual void StopTimer(TimerId id) = 0;

  // The loop's own waiting on descriptors, where it has one.
  virtual DescriptorWatcher* Descriptors() { return nullptr; }
};

}  // namespace pelmo
