#include <windows.h>

#include "base/windows_text_win.h"
#include "program/machine_names.h"

namespace pelmo {

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size) || size == 0) return "n/a";
  return Utf8FromWide(std::wstring_view(name, size));
}

std::string UserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  // The size counts the closing zero.
  if (!::GetUserNameW(name, &size) || size <= 1) return "n/a";
  return Utf8FromWide(std::wstring_view(name, size - 1));
}

}  // namespace pelmo
