// A program started by a test, with its standard output and error read
// line by line in the background and its standard input on /dev/null, or,
// in terminal mode, its standard input and output on a pseudo-terminal
// (no echo, no output processing) that the test types into. The
// destructor kills a child that is still running. Use from one thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace pelmo {

class ChildProcess {
 public:
  // Starts path with the arguments (argv[0] is path). Throws
  // std::runtime_error when it cannot be started.
  ChildProcess(const std::string& path, const std::vector<std::string>& args,
               bool terminal = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return m_pid; }
  void Signal(int signal);
  // Terminal mode: bytes typed on the terminal. False when not written.
  bool Type(const std::string& bytes);

  // The exit code, or 128 + the signal that ended it; nullopt when it has
  // not ended within timeout. Once it has ended, its output is read to the
  // end (within the same timeout) before Wait returns.
  std::optional<int> Wait(std::chrono::milliseconds timeout);

  // Lines read so far (without "\n").
  std::vector<std::string> OutLines();
  std::vector<std::string> ErrLines();
  // Waits until an output line satisfies the test; that line, or nullopt
  // at the timeout.
  std::optional<std::string> WaitForOutLine(const std::function<bool(const std::string&)>& test,
                                            std::chrono::milliseconds timeout);
  // The same for a line that contains part.
  std::optional<std::string> WaitForOutPart(const std::string& part,
                                            std::chrono::milliseconds timeout);

 private:
  void Read(int fd, std::vector<std::string>& lines);
  void WaitForReaders(std::chrono::steady_clock::time_point deadline);

  pid_t m_pid = -1;
  int m_terminal = -1;  // the pseudo-terminal's master side
  std::optional<int> m_status;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_out;
  std::vector<std::string> m_err;
  int m_readersDone = 0;
  std::thread m_outReader;
  std::thread m_errReader;
};

}  // namespace pelmo
