#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "program/stop_signals.h"

namespace pelmo {

StopSignals::StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    throw std::runtime_error(std::string("sigprocmask: ") + std::strerror(errno));
  }
  // A closed pipe to a child must not end the program. Nor does the end of
  // the terminal it was started from: the window's settings are read and
  // saved in the window, so SIGHUP asks nothing of it.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  m_fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (m_fd < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
}

StopSignals::~StopSignals() {
  if (m_fd >= 0) ::close(m_fd);
}

void StopSignals::Drain() {
  signalfd_siginfo info;
  while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
  }
}

}  // namespace pelmo
