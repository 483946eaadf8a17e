#include "transport/chat_key.h"

#include <optional>
#include <string_view>

#include "base/ini_file.h"
#include "base/line_log.h"

namespace pelmo {

namespace {

// Every participant of the chat must use these same bytes; a deployment
// that uses other values sets them in Net.ini, section "crypt".
constexpr std::array<std::uint8_t, 10> kBuiltInKey = {
    0x5A, 0x3C, 0x91, 0x07, 0xE4, 0x2B, 0x6F, 0xD8, 0x13, 0xA5};
constexpr std::array<std::uint8_t, 8> kBuiltInIv = {
    0x4D, 0x72, 0x0E, 0xB9, 0x61, 0xC3, 0x28, 0xF5};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exactly N * 2 hex digits, nothing else.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ParseHex(std::string_view text) {
  if (text.size() != N * 2) return std::nullopt;
  std::array<std::uint8_t, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    const int hi = HexDigit(text[2 * i]);
    const int lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return bytes;
}

template <std::size_t N>
void ApplyValue(const IniFile& netIni, std::string_view key,
                std::array<std::uint8_t, N>& target, const std::string& complaint,
                LineLog& log) {
  const std::string text = netIni.ReadString("crypt", key, "");
  if (text.empty()) return;
  if (const auto parsed = ParseHex<N>(text)) {
    target = *parsed;
  } else {
    log.LogLine(complaint, 0);
  }
}

}  // namespace

ChatKey BuiltInChatKey() { return ChatKey{kBuiltInKey, kBuiltInIv}; }

ChatKey LoadChatKey(const IniFile& netIni, LineLog& log) {
  ChatKey result = BuiltInChatKey();
  ApplyValue(netIni, "Key", result.key,
             "Crypt key in Net.ini is malformed; the built-in key is used.", log);
  ApplyValue(netIni, "IV", result.iv,
             "Crypt IV in Net.ini is malformed; the built-in IV is used.", log);
  return result;
}

}  // namespace pelmo
