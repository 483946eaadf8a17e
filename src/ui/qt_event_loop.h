// The core's event loop on top of Qt's: posted tasks travel as events to an
// object of the main thread, timers are Qt timers of that object. Post()
// may be called from any thread (the receive thread); everything else is
// main thread only. An exception escaping a task or a timer goes to the
// error handler, as any other handler's error does, and the loop goes on.
#pragma once

#include <QObject>

#include <functional>
#include <map>

#include "base/event_loop.h"

namespace pelmo {

class QtEventLoop final : public QObject, public EventLoop {
 public:
  using ErrorHandler = std::function<void(const std::exception&)>;

  // Create on the main thread, after the QApplication.
  QtEventLoop();
  ~QtEventLoop() override;

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating, Task task) override;
  void StopTimer(TimerId id) override;

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
  TimerId m_nextId = 1;
  ErrorHandler m_onError;
};

}  // namespace pelmo
