#include <unistd.h>

#include <cerrno>

#include "console_log.h"

namespace pelmo {

bool WriteOutput(int fd, std::string_view utf8) {
  while (!utf8.empty()) {
    const ssize_t written = ::write(fd, utf8.data(), utf8.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    utf8.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace pelmo
