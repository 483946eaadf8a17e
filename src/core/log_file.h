// botfile/log.txt as the log writer's thread keeps it: open from one line
// to the next, appended to at its end, emptied once it has grown past the
// size limit (the line that passed it is written first, and lost with the
// rest). About once a second, not at every line, it looks whether the
// name still leads to the open file (removed, renamed away or replaced by
// somebody else, the file is opened again by its name) and takes the size
// from the file, which somebody else may have trimmed. A file that cannot
// be opened or written loses its lines; the first failure of a spell is
// kept for the main thread to log.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "base/append_file.h"
#include "base/log_writer.h"

namespace pelmo {

class LogFileSink final : public LogSink {
 public:
  explicit LogFileSink(std::string path);

  // Any thread: the size check for the lines written from now on (check
  // off, or the limit in bytes).
  void SetLimit(bool check, long long limit);
  // Any thread: "cannot write <path>: <reason>" once after the file began
  // to fail (again); empty otherwise.
  std::string TakeError();

  // The writer's thread.
  void Write(const std::vector<std::string>& lines) override;
  // A file removed in the last second is made again, so that the log is
  // there after the program has ended.
  void Closing() override;

 private:
  using Time = std::chrono::steady_clock::time_point;
  // Opens the file, or looks at it again when a second has passed; false
  // when it cannot be had.
  bool Ready(Time now);
  bool Append(const std::string& bytes);
  void Failed(const std::string& reason);

  const std::string m_path;
  AppendFile m_file;
  long long m_size = 0;
  bool m_needsLineEnd = false;
  Time m_lookedAt{};
  std::atomic<bool> m_check{true};
  std::atomic<long long> m_limit{0};
  std::mutex m_errorMutex;
  bool m_failing = false;
  std::string m_error;
};

}  // namespace pelmo
