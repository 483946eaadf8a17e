#include <limits.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/poll_event_loop.h"
#include "console_log.h"
#include "console_session.h"

namespace pelmo {

struct ConsoleSession::Impl {
  PollEventLoop loop;
  ConsoleLog log{STDOUT_FILENO, ::isatty(STDOUT_FILENO) == 1};
  int signalFd = -1;
  std::function<void()> onStop;
  std::function<void()> onReload;
  std::function<void(const std::string&)> onLine;
  std::string pending;

  // Standard input on a terminal. Its end only stops the reading, never
  // the bot.
  void ReadInput() {
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR || errno == EAGAIN) return;
      loop.UnwatchFd(STDIN_FILENO);
      return;
    }
    if (count == 0) {
      // A last line without its line end is still said.
      if (!pending.empty()) Say(std::exchange(pending, {}));
      loop.UnwatchFd(STDIN_FILENO);
      return;
    }
    pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      Say(std::move(line));
    }
    // A line that never ends is cut rather than held without limit.
    if (pending.size() > 65536) pending.clear();
  }

  void Say(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    onLine(line);
  }
};

ConsoleSession::ConsoleSession() : m_impl(std::make_unique<Impl>()) {
  // Blocked before any thread starts, so that only the signalfd sees them.
  // A program the bot starts inherits this mask and the ignored signals
  // below: whoever starts one sets them back for it.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    throw std::runtime_error(std::string("sigprocmask: ") + std::strerror(errno));
  }
  ::signal(SIGPIPE, SIG_IGN);
  // Started in the background of a shell, a read of the terminal would stop
  // the whole bot (and, with "stty tostop", so would a log line); ignored,
  // the read fails instead and the console line is given up.
  ::signal(SIGTTIN, SIG_IGN);
  ::signal(SIGTTOU, SIG_IGN);
  m_impl->signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  if (m_impl->signalFd < 0) {
    throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
  }
}

ConsoleSession::~ConsoleSession() {
  if (m_impl->signalFd >= 0) ::close(m_impl->signalFd);
}

EventLoop& ConsoleSession::Loop() { return m_impl->loop; }

BotView& ConsoleSession::LogView() { return m_impl->log; }

void ConsoleSession::Start(std::function<void()> onStop,
                           std::function<void(const std::string&)> onLine) {
  Impl& impl = *m_impl;
  impl.onStop = std::move(onStop);
  impl.onLine = std::move(onLine);
  impl.loop.WatchFd(impl.signalFd, [&impl] {
    signalfd_siginfo info;
    bool stop = false, reload = false;
    while (::read(impl.signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      (info.ssi_signo == SIGHUP ? reload : stop) = true;
    }
    if (stop) {
      impl.onStop();
    } else if (reload && impl.onReload) {
      impl.onReload();
    }
  });
  if (::isatty(STDIN_FILENO) == 1) impl.loop.WatchFd(STDIN_FILENO, [&impl] { impl.ReadInput(); });
}

void ConsoleSession::OnReload(std::function<void()> onReload) {
  m_impl->onReload = std::move(onReload);
}

void ConsoleSession::Run() { m_impl->loop.Run(); }

void ConsoleSession::Quit() { m_impl->loop.Quit(); }

}  // namespace pelmo
