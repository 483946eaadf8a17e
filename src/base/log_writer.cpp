#include "base/log_writer.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kCloseWait{1000};
// After the first line of a burst the thread sleeps this long to let more
// come, so that a busy bot costs one wake-up and one write for many lines.
// A plain sleep, not a timed wait: a clock set back or faked must not keep
// the lines waiting.
constexpr std::chrono::milliseconds kGather{20};

}  // namespace

struct LogWriter::State {
  explicit State(std::unique_ptr<LogSink> s, std::size_t most)
      : sink(std::move(s)), maxPending(most) {}

  std::unique_ptr<LogSink> sink;
  const std::size_t maxPending;
  std::mutex mutex;
  std::condition_variable queued;   // lines wait, or the end is asked
  std::condition_variable written;  // pending went down, or the thread ended
  std::vector<std::string> lines;
  std::size_t pending = 0;  // bytes queued or being written
  std::uint64_t dropped = 0;
  bool started = false;
  bool idle = false;  // the thread waits for a first line
  bool closing = false;
  bool ended = false;
};

LogWriter::LogWriter(std::unique_ptr<LogSink> sink, std::size_t maxPending)
    : m_state(std::make_shared<State>(std::move(sink), maxPending)) {}

LogWriter::~LogWriter() {
  std::unique_lock<std::mutex> lock(m_state->mutex);
  if (!m_state->started) return;
  m_state->closing = true;
  m_state->queued.notify_all();
  m_state->written.wait_for(lock, kCloseWait, [this] { return m_state->ended; });
}

bool LogWriter::Write(std::string bytes, const DropNote& note) {
  State& s = *m_state;
  std::lock_guard<std::mutex> lock(s.mutex);
  std::size_t size = bytes.size();
  std::string noteBytes;
  if (s.dropped > 0) {
    noteBytes = note(s.dropped);
    size += noteBytes.size();
  }
  if (s.pending + size > s.maxPending) {
    ++s.dropped;
    return false;
  }
  if (!noteBytes.empty()) s.lines.push_back(std::move(noteBytes));
  s.dropped = 0;
  s.lines.push_back(std::move(bytes));
  s.pending += size;
  if (!s.started) {
    s.started = true;
    // Detached: an output blocked for good must not hold the program's
    // end; the state lives as long as the thread needs it.
    std::thread([state = m_state] { Run(state); }).detach();
    return true;
  }
  // Only an idle thread needs waking: a busy one takes these lines with
  // the burst it gathers or writes.
  if (s.idle) s.queued.notify_one();
  return true;
}

void LogWriter::Run(const std::shared_ptr<State>& state) {
  State& s = *state;
  std::vector<std::string> batch;
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    s.idle = true;
    s.queued.wait(lock, [&s] { return !s.lines.empty() || s.closing; });
    s.idle = false;
    if (s.lines.empty()) {
      lock.unlock();
      s.sink->Closing();
      lock.lock();
      break;
    }
    if (!s.closing) {
      lock.unlock();
      std::this_thread::sleep_for(kGather);
      lock.lock();
    }
    batch.swap(s.lines);
    lock.unlock();
    std::size_t bytes = 0;
    for (const std::string& line : batch) bytes += line.size();
    s.sink->Write(batch);
    batch.clear();
    lock.lock();
    s.pending -= bytes;
    s.written.notify_all();
  }
  s.ended = true;
  s.written.notify_all();
}

bool LogWriter::Flush(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_state->mutex);
  return m_state->written.wait_for(lock, timeout, [this] { return m_state->pending == 0; });
}

std::uint64_t LogWriter::Dropped() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->dropped;
}

}  // namespace pelmo
