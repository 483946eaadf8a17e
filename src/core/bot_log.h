// The bot log: the window log (coloured "[hh:nn] " lines shown by the
// front-ends), the log file botfile/log.txt with its size check, and the
// 1024-line ring of recent file lines that users can ask for.
// Main thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/line_log.h"

namespace pelmo {

class BotView;
class Clock;
struct BotSettings;

class BotLog final : public LineLog {
 public:
  static constexpr std::size_t kRingSize = 1024;

  // logFilePath: botfile/log.txt. The settings give the size check.
  BotLog(const Clock& clock, const BotSettings& settings, std::string logFilePath);

  // "[" + time "hh:nn" + "] " + text to every view.
  void LogLine(const std::string& text, std::uint32_t color = 0) override;
  void AddView(BotView* view);
  void RemoveView(BotView* view);
  // Empties the window log (views are told).
  void ClearWindowLog();

  // Appends "[hh:nn]" + text to the log file, runs TrimLogFile, then stores
  // the same line in the ring. Throws FileError when the file cannot be
  // appended to (the handling of the current event ends).
  void LogToFile(const std::string& text);
  // Empties the log file when CheckLogFileSizeCB is on and the file is
  // larger than CheckLogFileSizeE bytes. A missing file is never trimmed.
  void TrimLogFile();

  // Empties the ring and sets the write index to 0.
  void ClearRing();
  // "\r\n" + line for each non-empty slot of the last count written, oldest
  // first. Any count reads only slots 0..1023 and ends; a count of 0 or
  // below gives "".
  std::string RecentLines(long long count) const;
  std::size_t WriteIndex() const { return m_writeIndex; }
  const std::string& RingSlot(std::size_t i) const { return m_ring[i]; }

 private:
  const Clock& m_clock;
  const BotSettings& m_settings;
  std::string m_logFilePath;
  std::vector<BotView*> m_views;
  std::array<std::string, kRingSize> m_ring;
  std::size_t m_writeIndex = 0;
};

}  // namespace pelmo
