// Log-off and shut-down on Windows. The console's control handler is not
// told of them in a process that has loaded user32 (shell32, which splits
// the command line, loads it): the system sends such a process
// WM_QUERYENDSESSION and WM_ENDSESSION instead, to its top-level windows.
// This is one hidden top-level window, on a thread of its own, that passes
// the session's end on and holds it until the program has closed.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>

namespace pelmo {

class SessionEndWindow {
 public:
  // onEnd: called on the window's thread when the session ends; the end
  // then waits (at most waitMs) until closed is set. Throws
  // std::runtime_error when the window cannot be made.
  SessionEndWindow(std::function<void()> onEnd, HANDLE closed, DWORD waitMs);
  // Closes the window and ends its thread.
  ~SessionEndWindow();
  SessionEndWindow(const SessionEndWindow&) = delete;
  SessionEndWindow& operator=(const SessionEndWindow&) = delete;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run(HANDLE ready);

  std::function<void()> m_onEnd;
  HANDLE m_closed;
  DWORD m_waitMs;
  HWND m_window = nullptr;
  DWORD m_error = 0;
  std::thread m_thread;
};

}  // namespace pelmo
