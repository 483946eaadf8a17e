#include "session_end_win.h"

#include <stdexcept>
#include <utility>

#include "base/windows_text_win.h"

namespace pelmo {

namespace {

constexpr wchar_t kClassName[] = L"PelmobotSessionEnd";

}  // namespace

SessionEndWindow::SessionEndWindow(std::function<void()> onEnd, HANDLE closed, DWORD waitMs)
    : m_onEnd(std::move(onEnd)), m_closed(closed), m_waitMs(waitMs) {
  const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready == nullptr) {
    throw std::runtime_error("CreateEvent: " + SystemErrorUtf8(::GetLastError()));
  }
  m_thread = std::thread(&SessionEndWindow::Run, this, ready);
  ::WaitForSingleObject(ready, INFINITE);
  ::CloseHandle(ready);
  if (m_window == nullptr) {
    m_thread.join();
    throw std::runtime_error("CreateWindow: " + SystemErrorUtf8(m_error));
  }
}

SessionEndWindow::~SessionEndWindow() {
  ::PostMessageW(m_window, WM_CLOSE, 0, 0);
  m_thread.join();
}

void SessionEndWindow::Run(HANDLE ready) {
  // A window belongs to the thread that made it, and only that thread's
  // message loop gets its messages.
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &SessionEndWindow::Procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassW(&windowClass);
  // Top-level and never shown: a message-only window would not be told of
  // the session's end.
  m_window = ::CreateWindowExW(0, kClassName, L"pelmobot", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                               nullptr, windowClass.hInstance, this);
  m_error = m_window == nullptr ? ::GetLastError() : 0;
  ::SetEvent(ready);
  if (m_window == nullptr) return;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
}

LRESULT CALLBACK SessionEndWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<SessionEndWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE && self != nullptr) {
        // The process ends when this returns: let the bot say goodbye and
        // count its run first.
        self->m_onEnd();
        ::WaitForSingleObject(self->m_closed, self->m_waitMs);
      }
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace pelmo
