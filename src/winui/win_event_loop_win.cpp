#include "winui/win_event_loop_win.h"

#include <stdexcept>
#include <utility>

#include "base/windows_text_win.h"

namespace pelmo {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kClassName[] = L"PelmoLoopWindow";

}  // namespace

WinEventLoop::WinEventLoop() : m_thread(::GetCurrentThreadId()) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  // A second loop finds the class registered: that is fine.
  ::RegisterClassExW(&windowClass);
  m_window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, this);
  if (m_window == nullptr) {
    throw std::runtime_error("CreateWindow: " + SystemErrorUtf8(::GetLastError()));
  }
}

WinEventLoop::~WinEventLoop() {
  // Tasks still queued are dropped with the loop.
  ::DestroyWindow(m_window);
}

void WinEventLoop::Post(Task task) {
  if (m_posted.Push(std::move(task))) Wake();
}

void WinEventLoop::Wake() { ::PostMessageW(m_window, kWakeMessage, 0, 0); }

EventLoop::TimerId WinEventLoop::StartTimer(std::chrono::milliseconds interval, bool repeating,
                                            Task task) {
  const TimerId id = m_timers.Start(interval, repeating, std::move(task));
  Arm();
  return id;
}

void WinEventLoop::StopTimer(TimerId id) {
  m_timers.Stop(id);
  Arm();
}

void WinEventLoop::Arm() {
  const int wait = m_timers.WaitMs();
  if (wait < 0) {
    ::KillTimer(m_window, kTimerId);
    return;
  }
  // The system's timers fire no sooner than USER_TIMER_MINIMUM.
  ::SetTimer(m_window, kTimerId, static_cast<UINT>(wait > 0 ? wait : 1), nullptr);
}

void WinEventLoop::RunPosted() {
  try {
    m_posted.RunBatch(m_never);
  } catch (const std::exception& e) {
    if (!m_posted.Empty()) Wake();
    if (m_onError) m_onError(e);
    return;
  }
  // What the batch posted waits for the next message, so that the
  // window's own messages are never starved.
  if (!m_posted.Empty()) Wake();
}

void WinEventLoop::RunTimers() {
  try {
    m_timers.RunDue(m_never);
  } catch (const std::exception& e) {
    Arm();
    if (m_onError) m_onError(e);
    return;
  }
  Arm();
}

int WinEventLoop::Run(HWND dialogWindow) {
  MSG message;
  int code = 0;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(message.wParam);
      break;
    }
    if (got < 0) break;
    if (dialogWindow != nullptr && ::IsWindow(dialogWindow) &&
        ::IsDialogMessageW(dialogWindow, &message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return code;
}

void WinEventLoop::Quit(int code) {
  m_quit = true;
  ::PostThreadMessageW(m_thread, WM_QUIT, static_cast<WPARAM>(code), 0);
}

LRESULT CALLBACK WinEventLoop::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* loop = reinterpret_cast<WinEventLoop*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (loop != nullptr) {
    if (message == kWakeMessage) {
      loop->RunPosted();
      return 0;
    }
    if (message == WM_TIMER && wParam == kTimerId) {
      loop->RunTimers();
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pelmo
