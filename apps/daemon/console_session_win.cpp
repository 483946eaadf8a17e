#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "base/queue_event_loop.h"
#include "base/windows_text_win.h"
#include "console_log.h"
#include "console_session.h"
#include "session_end_win.h"

namespace pelmo {

namespace {

// A console handler gets this long before the system ends a process whose
// console is being closed (or whose session ends); the goodbye must fit.
constexpr DWORD kCloseWaitMs = 4500;

// What the console handler and the input thread, which may outlive the
// session, reach: the loop while it exists, and the end of the close.
struct Shared {
  std::mutex mutex;
  QueueEventLoop* loop = nullptr;
  std::function<void()> onStop;
  std::function<void(const std::string&)> onLine;
  HANDLE closed = nullptr;  // set once the bot has closed

  // Posts to the loop, if it is still there. Any thread.
  void Post(EventLoop::Task task) {
    std::lock_guard<std::mutex> lock(mutex);
    if (loop != nullptr) loop->Post(std::move(task));
  }
};

// The console handler runs on a thread of the system's; it has no other
// way to its state than a global.
std::shared_ptr<Shared> g_shared;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const std::shared_ptr<Shared> shared = std::atomic_load(&g_shared);
  if (!shared) return FALSE;
  shared->Post([shared] {
    if (shared->onStop) shared->onStop();
  });
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this returns: let the bot say goodbye first.
    ::WaitForSingleObject(shared->closed, kCloseWaitMs);
  }
  return TRUE;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

// Lines typed on the console, read as UTF-16 so that any console code page
// gives the same text. Its end (Ctrl+Z, a closed console) only stops the
// reading.
void ReadConsoleLines(std::shared_ptr<Shared> shared, HANDLE input) {
  std::wstring pending;
  wchar_t buffer[1024];
  const auto say = [&shared](std::wstring line) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    std::string utf8 = Utf8FromWide(line);
    shared->Post([shared, utf8 = std::move(utf8)] {
      if (shared->onLine) shared->onLine(utf8);
    });
  };
  for (;;) {
    DWORD got = 0;
    if (!::ReadConsoleW(input, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) ||
        got == 0) {
      break;
    }
    pending.append(buffer, got);
    // Ctrl+Z at the start of a line ends the input, as on the C runtime.
    const std::size_t stop = pending.find(L'\x1a');
    if (stop != std::wstring::npos) pending.erase(stop);
    std::size_t end;
    while ((end = pending.find(L'\n')) != std::wstring::npos) {
      say(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
    if (stop != std::wstring::npos) break;
    // A line that never ends is cut rather than held without limit.
    if (pending.size() > 65536) pending.clear();
  }
  if (!pending.empty()) say(std::move(pending));
}

// QuickEdit lets a click start a selection that holds every write to the
// console, and so the bot, until it is ended: the operator's stray click
// would silence the bot. The mode the console had is given back at the end.
class QuickEditOff {
 public:
  QuickEditOff() : m_input(::GetStdHandle(STD_INPUT_HANDLE)) {
    if (!IsConsole(m_input) || !::GetConsoleMode(m_input, &m_mode)) return;
    m_changed = ::SetConsoleMode(m_input, (m_mode | ENABLE_EXTENDED_FLAGS) &
                                              ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE)) != 0;
  }
  ~QuickEditOff() {
    if (m_changed) ::SetConsoleMode(m_input, m_mode);
  }
  QuickEditOff(const QuickEditOff&) = delete;
  QuickEditOff& operator=(const QuickEditOff&) = delete;

 private:
  HANDLE m_input;
  DWORD m_mode = 0;
  bool m_changed = false;
};

// Colour codes need the console's virtual-terminal mode (Windows 10).
bool EnableColour(HANDLE output) {
  DWORD mode = 0;
  if (!::GetConsoleMode(output, &mode)) return false;
  return ::SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace

struct ConsoleSession::Impl {
  QueueEventLoop loop;
  std::unique_ptr<ConsoleLog> log;
  std::shared_ptr<Shared> shared = std::make_shared<Shared>();
  QuickEditOff quickEditOff;
  std::unique_ptr<SessionEndWindow> sessionEnd;
};

ConsoleSession::ConsoleSession() : m_impl(std::make_unique<Impl>()) {
  Shared& shared = *m_impl->shared;
  shared.closed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (shared.closed == nullptr) {
    throw std::runtime_error("CreateEvent: " + SystemErrorUtf8(::GetLastError()));
  }
  shared.loop = &m_impl->loop;
  m_impl->log = std::make_unique<ConsoleLog>(
      _fileno(stdout), EnableColour(::GetStdHandle(STD_OUTPUT_HANDLE)));
  std::atomic_store(&g_shared, m_impl->shared);
  if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
    std::atomic_store(&g_shared, std::shared_ptr<Shared>());
    throw std::runtime_error("SetConsoleCtrlHandler: " + SystemErrorUtf8(::GetLastError()));
  }
  // Log-off and shut-down, which the handler above is not told of. Where
  // no window can be made (no window system in the session) the handler
  // is all there is, and it is told of them there.
  std::shared_ptr<Shared> sharedState = m_impl->shared;
  try {
    m_impl->sessionEnd = std::make_unique<SessionEndWindow>(
        [sharedState] {
          sharedState->Post([sharedState] {
            if (sharedState->onStop) sharedState->onStop();
          });
        },
        shared.closed, kCloseWaitMs);
  } catch (const std::runtime_error&) {
  }
}

ConsoleSession::~ConsoleSession() {
  Shared& shared = *m_impl->shared;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.loop = nullptr;
    shared.onStop = nullptr;
    shared.onLine = nullptr;
  }
  // A console handler waiting for the goodbye may return now; the handle
  // stays open, as the handler may still hold the state.
  ::SetEvent(shared.closed);
}

EventLoop& ConsoleSession::Loop() { return m_impl->loop; }

BotView& ConsoleSession::LogView() { return *m_impl->log; }

void ConsoleSession::Start(std::function<void()> onStop,
                           std::function<void(const std::string&)> onLine) {
  std::shared_ptr<Shared> shared = m_impl->shared;
  {
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->onStop = std::move(onStop);
    shared->onLine = std::move(onLine);
  }
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  if (IsConsole(input)) {
    // Detached: a read of the console cannot be broken off, and the
    // process ends with the thread still in it; it reaches nothing but the
    // shared state.
    std::thread(ReadConsoleLines, shared, input).detach();
  }
}

void ConsoleSession::Run() { m_impl->loop.Run(); }

void ConsoleSession::Quit() { m_impl->loop.Quit(); }

}  // namespace pelmo
