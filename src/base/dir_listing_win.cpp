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
  // The path the system itself opens: symbolic links and junctions on the
  // way are followed, which a lexical full path would not show.
  const HANDLE handle =
      ::CreateFileW(WideFromUtf8(path).c_str(), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const DWORD size = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  std::wstring full(size, L'\0');
  const DWORD written =
      size == 0 ? 0 : ::GetFinalPathNameByHandleW(handle, full.data(), size, FILE_NAME_NORMALIZED);
  ::CloseHandle(handle);
  if (written == 0 || written >= size) return std::nullopt;
  full.resize(written);
  // "\\?\C:\..." or "\\?\UNC\server\share\...".
  if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    full = L"\\\\" + full.substr(8);
  } else if (full.rfind(L"\\\\?\\", 0) == 0) {
    full = full.substr(4);
  }
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
