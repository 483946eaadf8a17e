// Small text helpers the games share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelmo::games {

// Without the characters of code 32 and below at both ends, as the
// runtime's Trim cuts.
inline std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace pelmo::games
