// Files through the Win32 calls themselves: no C runtime text mode (which
// would turn CR LF into CR CR LF), UTF-8 paths as UTF-16, and the rewrite's
// rename done by MoveFileEx, which replaces an existing file (rename()
// does not) and returns only once the move is on the disk. A virus
// scanner or an indexer that holds the file open for a moment makes the
// replace fail; it is tried again for about a second.
#include "base/text_file.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "base/windows_text_win.h"

// windows.h names the wide function so; ours is meant.
#undef CreateDirectory

namespace pelmo {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The replace is tried this many times, this far apart.
constexpr int kReplaceTries = 20;
constexpr DWORD kReplacePauseMs = 50;

// Moves from over to; on failure the error. Another process's open of to
// (a sharing violation, or on some systems a refusal) passes in a moment.
bool ReplaceWithRetry(const std::wstring& from, const std::wstring& to, DWORD& error) {
  for (int attempt = 1;; ++attempt) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    error = ::GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      error == ERROR_ACCESS_DENIED;
    if (!held || attempt >= kReplaceTries) return false;
    ::Sleep(kReplacePauseMs);
  }
}

std::string ErrorText(const std::string& what, const std::string& path, DWORD error) {
  return what + " " + path + ": " + SystemErrorUtf8(error);
}

class HandleCloser {
 public:
  explicit HandleCloser(HANDLE handle) : m_handle(handle) {}
  ~HandleCloser() {
    if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
  }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;
  bool Close() {
    const BOOL closed = ::CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return closed != 0;
  }

 private:
  HANDLE m_handle;
};

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(WideFromUtf8(path).c_str(), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = data.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(data.size());
    DWORD written = 0;
    if (!::WriteFile(file, data.data(), chunk, &written, nullptr)) return false;
    data.remove_prefix(written);
  }
  return true;
}

DWORD Attributes(const std::string& path) {
  return ::GetFileAttributesW(WideFromUtf8(path).c_str());
}

constexpr int kTempNameTries = 1000;

// pid + counter: unique among this process's rewrites and other processes.
std::string TempNameFor(const std::string& path) {
  static std::atomic<unsigned long> counter{0};
  const std::size_t slash = path.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".tmp" + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(counter.fetch_add(1));
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectory(const std::string& path) {
  ::CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr);
  return DirectoryExists(path);
}

bool PathMissing(const std::string& path) {
  if (Attributes(path) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return -1;
  }
  return static_cast<long long>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

std::optional<FileVersion> VersionOfFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  FileVersion version;
  version.size = static_cast<long long>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) |
                                        data.nFileSizeLow);
  version.changed = static_cast<long long>(
      (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime);
  // A rename over the file gives it the other file's creation time.
  version.id = (static_cast<ULONGLONG>(data.ftCreationTime.dwHighDateTime) << 32) |
               data.ftCreationTime.dwLowDateTime;
  return version;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t cap) {
  const HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  HandleCloser closer(file);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size) || static_cast<unsigned long long>(size.QuadPart) > cap) {
    return std::nullopt;
  }
  std::string contents;
  contents.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    // The file may grow while it is read; the cap still holds.
    if (contents.size() + got > cap) return std::nullopt;
    contents.append(buffer, got);
  }
  return contents;
}

bool ReadFilePart(const std::string& path, long long offset, std::size_t size,
                  std::string& out) {
  out.clear();
  const HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  HandleCloser closer(file);
  out.resize(size);
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    const auto position = static_cast<ULONGLONG>(offset) + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD chunk = size - done > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size - done);
    DWORD got = 0;
    if (!::ReadFile(file, out.data() + done, chunk, &got, &at)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) break;
      return false;
    }
    if (got == 0) break;
    done += got;
  }
  out.resize(done);
  return true;
}

std::string WriteProblem(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return SystemErrorUtf8(ERROR_ACCESS_DENIED);
    HANDLE file = Open(path, GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return SystemErrorUtf8(::GetLastError());
    ::CloseHandle(file);
  }
  HANDLE probe = ::CreateFileW(WideFromUtf8(TempNameFor(path)).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
  if (probe == INVALID_HANDLE_VALUE) return SystemErrorUtf8(::GetLastError());
  ::CloseHandle(probe);
  return "";
}

void RewriteFile(const std::string& path, std::string_view contents) {
  std::string temp = TempNameFor(path);
  HANDLE file = Open(temp, GENERIC_WRITE, CREATE_NEW);
  // A process killed mid-rewrite may have left a file under the name this
  // process would use next, when it had the same id; take the next name.
  for (int tries = 0; file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS &&
                      tries < kTempNameTries;
       ++tries) {
    temp = TempNameFor(path);
    file = Open(temp, GENERIC_WRITE, CREATE_NEW);
  }
  // Named by the file the caller knows, not by the temporary one.
  if (file == INVALID_HANDLE_VALUE) {
    throw FileError(ErrorText("не удалось записать", path, ::GetLastError()));
  }
  HandleCloser closer(file);
  auto fail = [&](const char* what) {
    const DWORD error = ::GetLastError();
    closer.Close();
    ::DeleteFileW(WideFromUtf8(temp).c_str());
    throw FileError(ErrorText(what, path, error));
  };
  if (!WriteAll(file, contents)) fail("не удалось записать");
  if (!::FlushFileBuffers(file)) fail("не удалось сбросить на диск");
  if (!closer.Close()) fail("не удалось закрыть");
  DWORD error = 0;
  if (!ReplaceWithRetry(WideFromUtf8(temp), WideFromUtf8(path), error)) {
    ::DeleteFileW(WideFromUtf8(temp).c_str());
    throw FileError(ErrorText("не удалось заменить", path, error));
  }
}

int RemoveStaleTempFiles(const std::string& dir) {
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(WideFromUtf8(JoinPath(dir, ".*.tmp*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    // "." + name + ".tmp" + process id + "-" + counter, as TempNameFor
    // makes it.
    const std::wstring name = found.cFileName;
    const std::size_t mark = name.rfind(L".tmp");
    if (name.size() < 2 || name[0] != L'.' || mark == 0 || mark == std::wstring::npos) continue;
    const std::wstring tail = name.substr(mark + 4);
    const std::size_t dash = tail.find(L'-');
    if (dash == 0 || dash == std::wstring::npos || dash + 1 == tail.size() ||
        tail.find_first_not_of(L"0123456789-") != std::wstring::npos ||
        tail.find(L'-', dash + 1) != std::wstring::npos || dash > 9) {
      continue;
    }
    const auto id = static_cast<DWORD>(std::stoul(tail.substr(0, dash)));
    if (id == 0) continue;
    // A process that still runs (or that cannot be asked) keeps its file.
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process != nullptr) {
      const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
      ::CloseHandle(process);
      if (running) continue;
    } else if (::GetLastError() != ERROR_INVALID_PARAMETER) {
      continue;
    }
    if (::DeleteFileW(WideFromUtf8(JoinPath(dir, Utf8FromWide(name))).c_str())) ++removed;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return removed;
}

void AppendLine(const std::string& path, std::string_view line) {
  // Append access only: every write lands at the end, as O_APPEND does.
  const HANDLE file = Open(path, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) {
    throw FileError(ErrorText("не удалось открыть", path, ::GetLastError()));
  }
  HandleCloser closer(file);
  // One write call, so the line and its end land together.
  std::string text;
  text.reserve(line.size() + 4);
  // A file edited by hand may lack its last line end; the new line must
  // not run on into the old last line.
  LARGE_INTEGER size;
  char last = '\n';
  DWORD got = 0;
  if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    OVERLAPPED at{};
    const ULONGLONG offset = static_cast<ULONGLONG>(size.QuadPart - 1);
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (::ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n' && last != '\r') {
      text += "\r\n";
    }
  }
  text.append(line);
  text += "\r\n";
  if (!WriteAll(file, text)) throw FileError(ErrorText("не удалось записать", path, ::GetLastError()));
  if (!closer.Close()) throw FileError(ErrorText("не удалось закрыть", path, ::GetLastError()));
}

void WriteFileAt(const std::string& path, long long offset, std::string_view bytes) {
  const HANDLE file = Open(path, GENERIC_WRITE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    throw FileError(ErrorText("не удалось открыть", path, ::GetLastError()));
  }
  HandleCloser closer(file);
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED at{};
    const auto position = static_cast<ULONGLONG>(offset) + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD chunk = bytes.size() - done > 0x10000000 ? 0x10000000
                                                         : static_cast<DWORD>(bytes.size() - done);
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, &at) || written == 0) {
      throw FileError(ErrorText("не удалось записать", path, ::GetLastError()));
    }
    done += written;
  }
  if (!closer.Close()) throw FileError(ErrorText("не удалось закрыть", path, ::GetLastError()));
}

bool TruncateFile(const std::string& path, long long size) {
  const HANDLE file = Open(path, GENERIC_WRITE, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return false;
  HandleCloser closer(file);
  LARGE_INTEGER at;
  at.QuadPart = size;
  return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

bool CreateEmptyFileIfMissing(const std::string& path) {
  const HANDLE file = Open(path, GENERIC_WRITE, OPEN_ALWAYS);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  return FileExists(path);
}

}  // namespace pelmo
