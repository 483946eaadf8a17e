#include "winui/stop_request_win.h"

#include <windows.h>

#include "winui/main_window_win.h"

namespace pelmo::winui {

int StopRunningWindow(std::chrono::milliseconds timeout, std::string& message) {
  const HWND window = ::FindWindowW(kMainWindowClass, nullptr);
  DWORD id = 0;
  if (window == nullptr || ::GetWindowThreadProcessId(window, &id) == 0) {
    message = "no pelmobot-gui is running";
    return 1;
  }
  // Opened before the request: the process cannot end unseen in between.
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  // The menu's "Exit", as the operator's click sends it.
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(kExitMM, 0), 0);
  if (process == nullptr) {
    message = "asked pelmobot-gui to exit; cannot wait for its end";
    return 2;
  }
  const DWORD waited = ::WaitForSingleObject(process, static_cast<DWORD>(timeout.count()));
  ::CloseHandle(process);
  if (waited != WAIT_OBJECT_0) {
    message = "asked pelmobot-gui to exit; it has not ended within " +
              std::to_string(timeout.count() / 1000) + " s";
    return 2;
  }
  message = "pelmobot-gui has said goodbye and ended";
  return 0;
}

}  // namespace pelmo::winui
