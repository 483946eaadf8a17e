// The core's event loop on top of a thread's Windows message queue: a
// posted task wakes the loop with a message to a message-only window,
// timers are one window timer armed for the nearest due time of a
// TimerQueue. Modal boxes run their own message loops, and tasks and
// timers go on inside them, as they do in any window program. Post() and
// Quit() may be called from any thread; everything else is main thread
// only. An exception escaping a task or a timer goes to the error handler,
// and the loop goes on.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "base/event_loop.h"
#include "base/posted_tasks.h"
#include "base/timer_queue.h"

namespace pelmo {

class WinEventLoop final : public EventLoop {
 public:
  using ErrorHandler = std::function<void(const std::exception&)>;

  // Create on the thread that runs the loop. Throws std::runtime_error
  // when the message window cannot be made.
  WinEventLoop();
  ~WinEventLoop() override;
  WinEventLoop(const WinEventLoop&) = delete;
  WinEventLoop& operator=(const WinEventLoop&) = delete;

  void Post(Task task) override;
  TimerId StartTimer(std::chrono::milliseconds interval, bool repeating, Task task) override;
  void StopTimer(TimerId id) override;

  // Where errors of tasks and timers go; without one they are dropped.
  void SetErrorHandler(ErrorHandler handler) { m_onError = std::move(handler); }

  // Runs the thread's message loop until Quit(); the keys of a dialog
  // (Tab between fields) go to dialogWindow and its children when given.
  // Returns the exit code of the WM_QUIT.
  int Run(HWND dialogWindow = nullptr);
  // Any thread: Run() returns once the message being handled is done.
  void Quit(int code = 0);
  // True once Quit() was called.
  bool QuitRequested() const { return m_quit; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RunPosted();
  void RunTimers();
  void Arm();
  void Wake();

  HWND m_window = nullptr;
  DWORD m_thread = 0;
  PostedTasks m_posted;
  TimerQueue m_timers;
  std::atomic<bool> m_quit{false};
  std::atomic<bool> m_never{false};
  ErrorHandler m_onError;
};

}  // namespace pelmo
