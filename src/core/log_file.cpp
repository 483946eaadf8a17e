#include "core/log_file.h"

#include <utility>

namespace pelmo {

namespace {

constexpr std::chrono::seconds kLookAgain{1};

}  // namespace

LogFileSink::LogFileSink(std::string path) : m_path(std::move(path)) {}

void LogFileSink::SetLimit(bool check, long long limit) {
  m_check.store(check, std::memory_order_relaxed);
  m_limit.store(limit, std::memory_order_relaxed);
}

std::string LogFileSink::TakeError() {
  std::lock_guard<std::mutex> lock(m_errorMutex);
  return std::exchange(m_error, {});
}

void LogFileSink::Failed(const std::string& reason) {
  std::lock_guard<std::mutex> lock(m_errorMutex);
  if (m_failing) return;
  m_failing = true;
  m_error = "не удалось записать " + m_path + ": " + reason;
}

bool LogFileSink::Ready(Time now) {
  if (m_file.IsOpen() && now - m_lookedAt < kLookAgain) return true;
  if (!m_file.IsOpen() && m_lookedAt != Time{} && now - m_lookedAt < kLookAgain) {
    return false;  // failed a moment ago: not once per line
  }
  m_lookedAt = now;
  if (!m_file.IsOpen() || !m_file.StillAt(m_path)) {
    std::string error;
    if (!m_file.Open(m_path, error)) {
      Failed(error);
      return false;
    }
  }
  m_size = m_file.Size();
  // A file edited by hand may lack its last line end: the next line must
  // not run on into it.
  m_needsLineEnd = !m_file.EndsWithLineEnd();
  return true;
}

bool LogFileSink::Append(const std::string& bytes) {
  std::string error;
  if (!m_file.Append(bytes, error)) {
    Failed(error);
    m_file.Close();
    return false;
  }
  m_size += static_cast<long long>(bytes.size());
  std::lock_guard<std::mutex> lock(m_errorMutex);
  m_failing = false;
  return true;
}

void LogFileSink::Closing() {
  std::string error;
  if (m_file.IsOpen() && !m_file.StillAt(m_path)) m_file.Open(m_path, error);
}

void LogFileSink::Write(const std::vector<std::string>& lines) {
  if (!Ready(std::chrono::steady_clock::now())) return;
  const bool check = m_check.load(std::memory_order_relaxed);
  const long long limit = m_limit.load(std::memory_order_relaxed);
  // As few writes as the size check allows: the lines up to the one that
  // passes the limit go out together, then the file is emptied.
  std::string chunk;
  if (m_needsLineEnd) {
    chunk = "\r\n";
    m_needsLineEnd = false;
  }
  for (const std::string& line : lines) {
    chunk += line;
    if (!check || m_size + static_cast<long long>(chunk.size()) <= limit) continue;
    if (!Append(chunk)) return;
    chunk.clear();
    if (m_file.Truncate()) m_size = 0;
  }
  if (!chunk.empty()) Append(chunk);
}

}  // namespace pelmo
