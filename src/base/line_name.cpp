#include "base/line_name.h"

namespace pelmo {

std::string LineName(std::string_view name) {
  std::string line(name);
  for (char& c : line) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127) c = ' ';
  }
  return line;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return line;
}

}  // namespace pelmo
