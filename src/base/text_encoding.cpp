#include "base/text_encoding.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsWithMark(std::string_view bytes) {
  return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

}  // namespace

bool IsUtf8Text(std::string_view bytes) {
  const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
  return beyondAscii && IsValidUtf8(bytes);
}

std::string ToCp1251Text(std::string bytes) {
  if (!IsUtf8Text(bytes)) return bytes;
  std::string_view text = bytes;
  if (StartsWithMark(text)) text.remove_prefix(kByteOrderMark.size());
  return Utf8ToCp1251(text);
}

}  // namespace pelmo
