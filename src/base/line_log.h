// Where components write the lines of the bot log (the window log). The bot
// core's log adds the "[hh:nn] " prefix and shows the line; lower layers
// know only this interface. Main thread only.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

class LineLog {
 public:
  virtual ~LineLog() = default;
  // text: Windows-1251. colour: a 32-bit colour value (0x00BBGGRR), 0 black.
  virtual void LogLine(const std::string& text, std::uint32_t color = 0) = 0;
};

}  // namespace pelmo
