#include "program/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelmo {

InstanceLock::~InstanceLock() {
  if (m_held >= 0) ::close(static_cast<int>(m_held));
}

bool InstanceLock::Acquire(const std::string& path, std::string& error) {
  // Close-on-exec: an external command started by the bot must not keep
  // the folder locked after the bot has ended.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "не удалось открыть " + path + ": " + std::strerror(errno);
    return false;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int code = errno;
    ::close(fd);
    error = code == EWOULDBLOCK ? "another instance is running in this folder (" + path + ")"
                                : "cannot lock " + path + ": " + std::strerror(code);
    return false;
  }
  if (m_held >= 0) ::close(static_cast<int>(m_held));
  m_held = fd;
  return true;
}

}  // namespace pelmo
