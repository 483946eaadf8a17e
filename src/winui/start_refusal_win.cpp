#include "winui/start_refusal_win.h"

#include <windows.h>

#include "winui/page_message_win.h"

namespace pelmo::winui {

int ShowRefusal(const std::wstring& text) {
  ::MessageBoxW(nullptr, WindowsPaths(text).c_str(), L"Pelmo_bot v 1.3", MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace pelmo::winui
