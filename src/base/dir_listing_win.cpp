#include "base/dir_listing.h"

#include <windows.h>

#include "base/windows_text_win.h"

namespace pelmo {

std::optional<DirectoryStamp> StampOfDirectory(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  DirectoryStamp stamp;
  // Creation time tells a folder from one made again under its name.
  stamp.identity = (static_cast<long long>(data.ftCreationTime.dwHighDateTime) << 32) |
                   data.ftCreationTime.dwLowDateTime;
  const long long written = (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                            data.ftLastWriteTime.dwLowDateTime;
  // 100-nanosecond units.
  stamp.seconds = written / 10000000;
  stamp.nanoseconds = (written % 10000000) * 100;
  return stamp;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(WideFromUtf8(path + "/*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8FromWide(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::optional<std::string> RealPath(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  if (::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return std::nullopt;
  full.resize(written);
  for (wchar_t& c : full) {
    if (c == L'\\') c = L'/';
  }
  return Utf8FromWide(full);
}

bool Writable(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
  // A read-only folder still takes new files on Windows.
  return attributes != INVALID_FILE_ATTRIBUTES &&
         ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || (attributes & FILE_ATTRIBUTE_READONLY) == 0);
}

}  // namespace pelmo
