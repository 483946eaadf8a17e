// Dotted IPv4 addresses, the same on every platform.
#include <charconv>

#include "transport/net.h"

namespace pelmo {

std::string AddressToText(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::uint32_t TextToAddress(std::string_view text) {
  constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::uint32_t result = 0;
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (p == end || *p != '.') return kNone;
      ++p;
    }
    // One to three decimal digits, 0-255.
    const char* digits = p;
    while (p != end && *p >= '0' && *p <= '9' && p - digits < 4) ++p;
    unsigned value = 0;
    if (p == digits || p - digits > 3 || std::from_chars(digits, p, value).ec != std::errc() ||
        value > 255) {
      return kNone;
    }
    result = (result << 8) | value;
  }
  return p == end ? result : kNone;
}

}  // namespace pelmo
