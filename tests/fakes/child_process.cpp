#include "fakes/child_process.h"

#include <fcntl.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace pelmo {

ChildProcess::ChildProcess(const std::string& path, const std::vector<std::string>& args,
                           bool terminal) {
  int out[2];
  int err[2];
  if (terminal) {
    m_terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_terminal < 0 || ::grantpt(m_terminal) != 0 || ::unlockpt(m_terminal) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    const char* name = ::ptsname(m_terminal);
    int slave = name != nullptr ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave < 0) throw std::runtime_error("no pseudo-terminal");
    termios mode{};
    ::tcgetattr(slave, &mode);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(slave, TCSANOW, &mode);
    out[0] = ::dup(m_terminal);
    ::fcntl(out[0], F_SETFD, FD_CLOEXEC);
    out[1] = slave;
  } else if (::pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    throw std::runtime_error("pipe failed");
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  m_pid = ::fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    // Only async-signal-safe calls from here on.
    if (terminal) {
      ::setsid();
      ::dup2(out[1], STDIN_FILENO);
    } else {
      int null = ::open("/dev/null", O_RDONLY);
      if (null >= 0) ::dup2(null, STDIN_FILENO);
    }
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    // The test's blocked signals must not stay blocked in the child.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(path.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  m_outReader = std::thread([this, fd = out[0]] { Read(fd, m_out); });
  m_errReader = std::thread([this, fd = err[0]] { Read(fd, m_err); });
}

bool ChildProcess::Type(const std::string& bytes) {
  if (m_terminal < 0) return false;
  return ::write(m_terminal, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

ChildProcess::~ChildProcess() {
  if (!m_status) {
    ::kill(m_pid, SIGKILL);
    Wait(std::chrono::seconds(10));
  }
  if (m_outReader.joinable()) m_outReader.join();
  if (m_errReader.joinable()) m_errReader.join();
  if (m_terminal >= 0) ::close(m_terminal);
}

void ChildProcess::Read(int fd, std::vector<std::string>& lines) {
  std::string pending;
  char buffer[4096];
  for (;;) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::lock_guard<std::mutex> lock(m_mutex);
      lines.push_back(pending.substr(0, end));
      pending.erase(0, end + 1);
      m_changed.notify_all();
    }
  }
  ::close(fd);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!pending.empty()) lines.push_back(pending);
  ++m_readersDone;
  m_changed.notify_all();
}

void ChildProcess::Signal(int signal) {
  if (!m_status) ::kill(m_pid, signal);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!m_status) {
    int status = 0;
    pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) {
      m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (done < 0 && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (m_status) WaitForReaders(deadline);
  return m_status;
}

void ChildProcess::WaitForReaders(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait_until(lock, deadline, [this] { return m_readersDone == 2; });
}

std::vector<std::string> ChildProcess::OutLines() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_out;
}

std::vector<std::string> ChildProcess::ErrLines() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_err;
}

std::optional<std::string> ChildProcess::WaitForOutLine(
    const std::function<bool(const std::string&)>& test, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_mutex);
  std::size_t checked = 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    for (; checked < m_out.size(); ++checked) {
      if (test(m_out[checked])) return m_out[checked];
    }
    if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; checked < m_out.size(); ++checked) {
        if (test(m_out[checked])) return m_out[checked];
      }
      return std::nullopt;
    }
  }
}

std::optional<std::string> ChildProcess::WaitForOutPart(const std::string& part,
                                                        std::chrono::milliseconds timeout) {
  return WaitForOutLine(
      [&part](const std::string& line) { return line.find(part) != std::string::npos; },
      timeout);
}

}  // namespace pelmo
