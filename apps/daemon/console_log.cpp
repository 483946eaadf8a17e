#include "console_log.h"

#include <memory>
#include <string_view>
#include <vector>

#include "base/cp1251.h"

namespace pelmo {

namespace {

// What a line that continues a log entry starts with, so that a line break
// inside chat text can never start what reads as an entry of its own
// ("[12:00] Boss: ...") in the operator's output or the journal.
constexpr std::string_view kContinuation = "    ";

// CR LF, CR and LF end a line, and the next one is indented; other control
// bytes are shown as "?", so that chat text cannot drive the operator's
// terminal.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\r' || byte == '\n') {
      if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.push_back('\n');
      if (i + 1 < text.size()) out += kContinuation;
    } else if (byte == '\t') {
      out.push_back(static_cast<char>(byte));
    } else if (byte < 0x20 || byte == 0x7F) {
      out.push_back('?');
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

// A megabyte of lines may wait for a slow output.
constexpr std::size_t kMostWaitingBytes = 1024 * 1024;

class OutputSink final : public LogSink {
 public:
  explicit OutputSink(int fd) : m_fd(fd) {}
  void Write(const std::vector<std::string>& lines) override {
    std::string bytes;
    for (const std::string& line : lines) bytes += line;
    // A closed pipe or a full disk: the bot goes on.
    WriteOutput(m_fd, bytes);
  }

 private:
  int m_fd;
};

}  // namespace

ConsoleLog::ConsoleLog(int fd, bool colour)
    : m_colour(colour), m_writer(std::make_unique<OutputSink>(fd), kMostWaitingBytes) {}

std::string ConsoleLog::FormatLine(const std::string& prefix, const std::string& text,
                                   std::uint32_t color, bool colour) {
  std::string line = Cp1251ToUtf8(Printable(prefix));
  const std::string body = Cp1251ToUtf8(Printable(text));
  if (colour && (color & 0x00FFFFFF) != 0) {
    // The colour value is 0x00BBGGRR.
    line += "\x1b[38;2;" + std::to_string(color & 0xFF) + ";" +
            std::to_string((color >> 8) & 0xFF) + ";" +
            std::to_string((color >> 16) & 0xFF) + "m" + body + "\x1b[0m";
  } else {
    line += body;
  }
  line += '\n';
  return line;
}

void ConsoleLog::OnLogLine(const std::string& prefix, const std::string& text,
                           std::uint32_t color) {
  m_writer.Write(FormatLine(prefix, text, color, m_colour), [&](std::uint64_t dropped) {
    return FormatLine(prefix,
                      std::to_string(dropped) +
                          " log lines were dropped: the output did not take them in time.",
                      0, m_colour);
  });
}

}  // namespace pelmo
