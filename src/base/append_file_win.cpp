// Append access only, so that every write lands at the end as O_APPEND
// does; shared for reading, writing and deleting, so that the operator
// can read, trim, remove or replace the file while the bot holds it.
#include <windows.h>

#include "base/append_file.h"
#include "base/windows_text_win.h"

namespace pelmo {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

HANDLE OpenNamed(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(WideFromUtf8(path).c_str(), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

bool AppendFile::Open(const std::string& path, std::string& error) {
  Close();
  const HANDLE file = OpenNamed(path, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) {
    error = SystemErrorUtf8(::GetLastError());
    return false;
  }
  m_handle = reinterpret_cast<std::intptr_t>(file);
  m_path = path;
  return true;
}

void AppendFile::Close() {
  if (m_handle != kClosed) ::CloseHandle(Handle(m_handle));
  m_handle = kClosed;
}

bool AppendFile::Append(std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const DWORD chunk =
        bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(Handle(m_handle), bytes.data(), chunk, &written, nullptr)) {
      error = SystemErrorUtf8(::GetLastError());
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

long long AppendFile::Size() const {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(Handle(m_handle), &size)) return -1;
  return static_cast<long long>(size.QuadPart);
}

bool AppendFile::EndsWithLineEnd() const {
  const long long size = Size();
  if (size <= 0) return true;
  OVERLAPPED at{};
  const ULONGLONG offset = static_cast<ULONGLONG>(size - 1);
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  char last = '\n';
  DWORD got = 0;
  if (!::ReadFile(Handle(m_handle), &last, 1, &got, &at) || got != 1) return true;
  return last == '\n' || last == '\r';
}

bool AppendFile::Truncate() {
  // The appending handle cannot move the end; a second one, for a moment,
  // can.
  const HANDLE writer = OpenNamed(m_path, GENERIC_WRITE, OPEN_EXISTING);
  if (writer == INVALID_HANDLE_VALUE) return false;
  const bool same = SameFile(writer, Handle(m_handle));
  LARGE_INTEGER zero{};
  const bool done = same && ::SetFilePointerEx(writer, zero, nullptr, FILE_BEGIN) &&
                    ::SetEndOfFile(writer);
  ::CloseHandle(writer);
  return done;
}

bool AppendFile::StillAt(const std::string& path) const {
  // No access asked: this only looks at which file the name leads to.
  const HANDLE named = OpenNamed(path, 0, OPEN_EXISTING);
  if (named == INVALID_HANDLE_VALUE) return false;
  const bool same = SameFile(named, Handle(m_handle));
  ::CloseHandle(named);
  return same;
}

}  // namespace pelmo
