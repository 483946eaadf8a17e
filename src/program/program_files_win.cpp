#include <windows.h>
#include <shellapi.h>

#include "base/windows_text_win.h"
#include "program/program_files.h"

namespace pelmo {

const bool kWorkFolderIsProgramFolder = true;

std::string ProgramPath(const std::string& fallback) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return fallback;
    if (length < path.size()) {
      path.resize(length);
      return Utf8FromWide(path);
    }
    if (path.size() > 32768) return fallback;
    path.resize(path.size() * 2);
  }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

}  // namespace pelmo
