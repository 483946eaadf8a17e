// Lines of a log written by a thread of their own, so that an output that
// blocks (a pipe nobody reads, a terminal paused with Ctrl+S, a console
// with a selection in it, a stalled disk) never holds up the thread that
// logs, and with it the bot's answers. Up to a bound of bytes may wait;
// a line that would pass it is dropped and counted, and once there is room
// again a note saying how many were dropped goes out before the next line.
// A line waits up to 20 ms for others to go out with it, so that a busy
// bot wakes the thread and writes once for many lines. The thread starts
// with the first line, so that a program can set up its signal mask first.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmo {

// Where the lines go; called on the writer's thread only.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // Writes the lines (each with its line end) in order. A failure loses
  // them; the next call tries again.
  virtual void Write(const std::vector<std::string>& lines) = 0;
  // The program is ending and every line has been written.
  virtual void Closing() {}
};

class LogWriter {
 public:
  // The note queued after drops, made by the thread that writes the next
  // line, from the number dropped.
  using DropNote = std::function<std::string(std::uint64_t dropped)>;

  // maxPending: the bytes that may wait, the one being written included.
  LogWriter(std::unique_ptr<LogSink> sink, std::size_t maxPending);
  // Lets the thread write what waits, for at most about a second (an
  // output that stays blocked keeps it; the thread is then left to end
  // with the process).
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // One thread at a time. Queues the bytes of one or more whole lines;
  // false when they are dropped because too much waits already.
  bool Write(std::string bytes, const DropNote& note);
  // Waits until everything queued so far has been handed to the sink;
  // false at the timeout.
  bool Flush(std::chrono::milliseconds timeout);
  // Lines dropped and not yet reported by a note.
  std::uint64_t Dropped() const;

 private:
  struct State;
  static void Run(const std::shared_ptr<State>& state);

  // Shared with the thread, which may outlive this object (see above).
  std::shared_ptr<State> m_state;
};

}  // namespace pelmo
