#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/append_file.h"

namespace pelmo {

namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

bool AppendFile::Open(const std::string& path, std::string& error) {
  Close();
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  m_handle = fd;
  return true;
}

void AppendFile::Close() {
  if (m_handle != kClosed) ::close(Fd(m_handle));
  m_handle = kClosed;
}

bool AppendFile::Append(std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(Fd(m_handle), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

long long AppendFile::Size() const {
  struct stat info {};
  if (::fstat(Fd(m_handle), &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

bool AppendFile::EndsWithLineEnd() const {
  const long long size = Size();
  if (size <= 0) return true;
  char last = '\n';
  if (::pread(Fd(m_handle), &last, 1, size - 1) != 1) return true;
  return last == '\n' || last == '\r';
}

bool AppendFile::Truncate() { return ::ftruncate(Fd(m_handle), 0) == 0; }

bool AppendFile::StillAt(const std::string& path) const {
  struct stat named {}, open {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(Fd(m_handle), &open) == 0 &&
         named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

}  // namespace pelmo
