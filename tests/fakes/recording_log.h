// A LineLog that keeps every line with its colour. Not thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/line_log.h"

namespace pelmo {

struct LoggedLine {
  std::string Text;
  std::uint32_t Color = 0;
};

class RecordingLog final : public LineLog {
 public:
  void LogLine(const std::string& text, std::uint32_t color = 0) override;

  const std::vector<LoggedLine>& Lines() const { return m_lines; }
  // Only the texts, oldest first.
  std::vector<std::string> Texts() const;
  // True when some line's text equals text exactly.
  bool Contains(const std::string& text) const;
  // True when some line's text contains part.
  bool ContainsPart(const std::string& part) const;
  void Clear() { m_lines.clear(); }

 private:
  std::vector<LoggedLine> m_lines;
};

}  // namespace pelmo
