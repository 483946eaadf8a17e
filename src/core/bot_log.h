// The bot log: the window log (coloured "[hh:nn] " lines shown by the
// front-ends), the log file botfile/log.txt with its size check, and the
// 1024-line ring of recent file lines that users can ask for. The file is
// written by a thread of its own (core/log_file.h), so that a slow or
// stalled disk never holds up an answer; everything else, and every call
// here, is main thread only.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <memory>
#include <vector>

#include "base/line_log.h"
#include "base/log_writer.h"

namespace pelmo {

class BotView;
class Clock;
class LogFileSink;
struct BotSettings;

class BotLog final : public LineLog {
 public:
  static constexpr std::size_t kRingSize = 1024;

  // logFilePath: botfile/log.txt. The settings give the size check.
  BotLog(const Clock& clock, const BotSettings& settings, std::string logFilePath);
  // Gives the file's thread about a second to write what waits.
  ~BotLog() override;

  // "[" + time "hh:nn" + "] " + text to every view.
  void LogLine(const std::string& text, std::uint32_t color = 0) override;
  void AddView(BotView* view);
  void RemoveView(BotView* view);
  // Empties the window log (views are told).
  void ClearWindowLog();

  // Stores "[hh:nn]" + text in the ring and queues it for the log file,
  // which is emptied after a line that takes it past CheckLogFileSizeE
  // bytes while CheckLogFileSizeCB is on. A line the file cannot take in
  // time (a megabyte waits already) is dropped and counted, and a note
  // with the count is written before the next one that fits. When the
  // file cannot be written, one window line says why, once until it can.
  void LogToFile(const std::string& text);
  // Waits until the lines queued so far are in the file (or lost to its
  // failure); false at the timeout.
  bool FlushFile(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Empties the ring and sets the write index to 0.
  void ClearRing();
  // "\r\n" + line for each non-empty slot of the last count written, oldest
  // first. Any count reads only slots 0..1023 and ends; a count of 0 or
  // below gives "". At most kMaxReplyBytes: the newest lines that fit,
  // after MoreNotShown() when older ones were left out.
  std::string RecentLines(long long count) const;
  std::size_t WriteIndex() const { return m_writeIndex; }
  const std::string& RingSlot(std::size_t i) const { return m_ring[i]; }

 private:
  const Clock& m_clock;
  const BotSettings& m_settings;
  LogFileSink* m_file;  // owned by m_fileWriter
  LogWriter m_fileWriter;
  std::vector<BotView*> m_views;
  std::array<std::string, kRingSize> m_ring;
  std::size_t m_writeIndex = 0;
};

}  // namespace pelmo
