// The core's event loop on top of Qt's: posted tasks travel as events to an
// object of the main thread, timers are Qt timers of that object, watched
// descriptors are Qt socket notifiers. Post() may be called from any
// thread; everything else is main thread only. An exception escaping a task or a timer goes to the
// error handler, as any other handler's error does, and the loop goes on.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <map>

#include "base/event_loop.h"

namespace pelmo {

class QtEventLoop final : public QObject, public EventLoop, public DescriptorWatcher {
 public:
  using Task = EventLoop::Task;
  using ErrorHandler = std::function<void(const std::exception&)>;

  // Create on the main thread, after the QApplication.
  QtEventLoop();
  ~QtEventLoop() override;

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating, Task task) override;
  void StopTimer(TimerId id) override;

  void WatchFd(int fd, Task onReadable) override;
  void UnwatchFd(int fd) override;
  DescriptorWatcher* Descriptors() override { return this; }

  // Where errors of tasks and timers go; without one they are dropped.
  void SetErrorHandler(ErrorHandler handler) { m_onError = std::move(handler); }
  // Number of running timers (for tests).
  std::size_t TimerCount() const { return m_timers.size(); }

 protected:
  bool event(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Timer {
    int qtId = 0;
    bool repeating = false;
    Task task;
  };
  void RunGuarded(const Task& task);

  std::map<TimerId, Timer> m_timers;
  std::map<int, TimerId> m_byQtId;
  struct Watch {
    QSocketNotifier* notifier = nullptr;  // a child of this object
    Task task;
  };
  std::map<int, Watch> m_watches;
  TimerId m_nextId = 1;
  ErrorHandler m_onError;
};

}  // namespace pelmo
