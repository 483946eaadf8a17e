// The headless program's view of the window log: every log line goes to a
// file descriptor (standard output) as UTF-8, "[hh:nn] text", written as
// soon as it can be so that a pipe or the journal sees it at once. On a
// terminal the text takes the line's colour (24-bit ANSI); colour 0, the
// window's black, is left to the terminal's own text colour. A thread of
// its own writes the lines: an output nobody takes (a pipe nobody reads, a
// terminal paused with Ctrl+S, a console with a selection) holds up only
// the log, never the bot; past a megabyte waiting, lines are dropped and
// their number told when the output moves again. Main thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/log_writer.h"
#include "core/bot_view.h"

namespace pelmo {

class ConsoleLog final : public BotView {
 public:
  // fd is not owned. colour: write ANSI colour codes.
  ConsoleLog(int fd, bool colour);

  void OnLogLine(const std::string& prefix, const std::string& text,
                 std::uint32_t color) override;

  // The bytes written for one line (Windows-1251 in, UTF-8 out, ending in
  // "\n"). Line breaks inside the text become "\n"; other control
  // characters (a remote user's escape sequences) become "?".
  static std::string FormatLine(const std::string& prefix, const std::string& text,
                                std::uint32_t color, bool colour);

  // Waits until the lines so far are written; false at the timeout.
  bool Flush(std::chrono::milliseconds timeout) { return m_writer.Flush(timeout); }

 private:
  bool m_colour;
  LogWriter m_writer;
};

// Writes UTF-8 text whole to the descriptor; false when it cannot. On a
// Windows console the text is written as UTF-16, so that it shows in any
// console code page.
bool WriteOutput(int fd, std::string_view utf8);

}  // namespace pelmo
