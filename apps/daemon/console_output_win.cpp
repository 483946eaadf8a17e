#include <io.h>
#include <windows.h>

#include "base/windows_text_win.h"
#include "console_log.h"

namespace pelmo {

bool WriteOutput(int fd, std::string_view utf8) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    std::wstring wide = WideFromUtf8(utf8);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD written = 0;
      if (!::WriteConsoleW(handle, rest.data(), static_cast<DWORD>(rest.size()), &written,
                           nullptr) ||
          written == 0) {
        return false;
      }
      rest.remove_prefix(written);
    }
    return true;
  }
  // A pipe or a file gets the UTF-8 bytes as they are, without the C
  // runtime's text mode.
  while (!utf8.empty()) {
    DWORD written = 0;
    if (!::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr)) {
      return false;
    }
    utf8.remove_prefix(written);
  }
  return true;
}

}  // namespace pelmo
