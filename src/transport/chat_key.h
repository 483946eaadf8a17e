// The chat's key and initial vector. Every participant of one chat must
// hold the same values; the built-in ones can be replaced per deployment in
// Net.ini, section "crypt": "Key" = 20 hex digits, "IV" = 16 hex digits.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pelmo {

class IniFile;
class LineLog;

struct ChatKey {
  std::array<std::uint8_t, 10> key;
  std::array<std::uint8_t, 8> iv;
};

// The values compiled into the program.
ChatKey BuiltInChatKey();

// The built-in key with "crypt" "Key" and "IV" of the file applied. A value
// that is not exactly 20 (Key) or 16 (IV) hex digits is logged and the
// built-in one kept; a missing or empty value keeps the built-in one
// silently.
ChatKey LoadChatKey(const IniFile& netIni, LineLog& log);

}  // namespace pelmo
