#include "fakes/recording_log.h"

namespace pelmo {

void RecordingLog::LogLine(const std::string& text, std::uint32_t color) {
  m_lines.push_back({text, color});
}

std::vector<std::string> RecordingLog::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(m_lines.size());
  for (const auto& line : m_lines) texts.push_back(line.Text);
  return texts;
}

bool RecordingLog::Contains(const std::string& text) const {
  for (const auto& line : m_lines) {
    if (line.Text == text) return true;
  }
  return false;
}

bool RecordingLog::ContainsPart(const std::string& part) const {
  for (const auto& line : m_lines) {
    if (line.Text.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace pelmo
