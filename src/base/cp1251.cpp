#include "base/cp1251.h"

#include <array>
#include <cstdint>

namespace pelmo {
namespace {

// Code points of bytes 0x80-0xBF; 0 marks the unassigned 0x98.
constexpr std::array<std::uint16_t, 64> kHighTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

std::uint32_t CodePointOf(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);  // А..я in order
  std::uint32_t cp = kHighTable[byte - 0x80];
  return cp == 0 ? 0xFFFD : cp;
}

// Returns -1 when the code page has no byte for the code point.
int ByteOf(std::uint32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < kHighTable.size(); ++i) {
    if (kHighTable[i] != 0 && kHighTable[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos past it. Malformed
// input (bad lead, short or bad continuation, overlong form, surrogate,
// beyond U+10FFFF) yields -1 and skips only the lead byte.
long DecodeUtf8(std::string_view text, std::size_t& pos) {
  unsigned char lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int extra;
  std::uint32_t cp;
  std::uint32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    return -1;
  }
  std::size_t p = pos;
  for (int i = 0; i < extra; ++i, ++p) {
    if (p >= text.size()) return -1;
    unsigned char c = static_cast<unsigned char>(text[p]);
    if ((c & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  pos = p;
  return static_cast<long>(cp);
}

// Upper/lower pairs of the code page beyond a-z and а-я.
constexpr unsigned char kCyrillicPairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
    auto pair = [this](int up, int low) {
      upper[low] = static_cast<unsigned char>(up);
      lower[up] = static_cast<unsigned char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    for (const auto& p : kCyrillicPairs) pair(p[0], p[1]);
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

template <typename Map>
std::string MapBytes(std::string_view text, Map map) {
  std::string out(text);
  for (char& c : out) c = map(c);
  return out;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    long cp = DecodeUtf8(utf8, pos);
    int byte = cp < 0 ? -1 : ByteOf(static_cast<std::uint32_t>(cp));
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
    } else if (DecodeUtf8(text, pos) < 0) {
      return false;
    }
  }
  return true;
}

std::string W(std::string_view utf8) { return Utf8ToCp1251(utf8); }

char AnsiUpperChar(char c) {
  return static_cast<char>(Tables().upper[static_cast<unsigned char>(c)]);
}

char AnsiLowerChar(char c) {
  return static_cast<char>(Tables().lower[static_cast<unsigned char>(c)]);
}

std::string AnsiUpperCase(std::string_view text) { return MapBytes(text, AnsiUpperChar); }

std::string AnsiLowerCase(std::string_view text) { return MapBytes(text, AnsiLowerChar); }

std::string NarrowLowerCase(std::string_view text) {
  return MapBytes(text, [](char c) {
    unsigned char b = static_cast<unsigned char>(c);
    bool capital = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF);
    return capital ? static_cast<char>(b + 32) : c;
  });
}

std::string LatinUpperCase(std::string_view text) {
  return MapBytes(text,
                  [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
}

std::string TrimControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace pelmo
