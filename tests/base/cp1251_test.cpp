#include "base/cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace pelmo {
namespace {

std::string Bytes(int from, int to) {
  std::string out;
  for (int b = from; b <= to; ++b) {
    if (b != 0x98) out += static_cast<char>(b);
  }
  return out;
}

TEST(Cp1251, DecodesTheUpperHalfOfTheCodePage) {
  // 0x80-0xBF without the unassigned 0x98; 0xA0 is NBSP, 0xAD the soft hyphen.
  EXPECT_EQ(Cp1251ToUtf8(Bytes(0x80, 0x9F)), "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—™љ›њќћџ");
  EXPECT_EQ(Cp1251ToUtf8(Bytes(0xA0, 0xBF)), "\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї");
  EXPECT_EQ(Cp1251ToUtf8(Bytes(0xC0, 0xFF)),
            "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");
  EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, RoundTripsEveryAssignedByte) {
  for (int b = 1; b <= 255; ++b) {
    if (b == 0x98) continue;
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << "byte " << b;
  }
  std::string all = Bytes(1, 255);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, EncodesLiteralsAndReplacesWhatItCannot) {
  EXPECT_EQ(W("погода"), "\xEF\xEE\xE3\xEE\xE4\xE0");
  EXPECT_EQ(W("Ёё №5 €"),
            "\xA8\xB8 \xB9"
            "5 \x88");
  EXPECT_EQ(W("中"), "?");
  EXPECT_EQ(W("a😀b"), "a?b");
  EXPECT_EQ(W("\uFFFD"), "?");                     // the replacement mark is not byte 0x98
  EXPECT_EQ(Utf8ToCp1251("x\xD0"), "x?");          // cut short
  EXPECT_EQ(Utf8ToCp1251("\x80y"), "?y");          // stray continuation
  EXPECT_EQ(Utf8ToCp1251("\xC0\x80"), "??");       // overlong NUL
  EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "???");  // surrogate
  EXPECT_EQ(Utf8ToCp1251("\xD0\x41"), "?A");       // bad continuation kept
}

TEST(Cp1251, AnsiCaseCoversEveryCyrillicLetter) {
  const std::string lower = W("абвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓљњќћџўјґєїіѕ");
  const std::string upper = W("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЉЊЌЋЏЎЈҐЄЇІЅ");
  EXPECT_EQ(AnsiUpperCase(lower), upper);
  EXPECT_EQ(AnsiLowerCase(upper), lower);
  EXPECT_EQ(AnsiUpperCase("Hello, World 42!"), "HELLO, WORLD 42!");
  EXPECT_EQ(AnsiLowerCase("Hello, World 42!"), "hello, world 42!");
  EXPECT_EQ(AnsiUpperChar('\xB8'), '\xA8');  // ё -> Ё
  EXPECT_EQ(AnsiLowerChar('\xA8'), '\xB8');
}

TEST(Cp1251, AnsiCaseLeavesEveryOtherByteAlone) {
  // 26 Latin, 33 Russian and 14 other Cyrillic pairs; nothing else moves.
  int upperMoves = 0;
  int lowerMoves = 0;
  for (int b = 0; b <= 255; ++b) {
    char c = static_cast<char>(b);
    if (AnsiUpperChar(c) != c) ++upperMoves;
    if (AnsiLowerChar(c) != c) ++lowerMoves;
  }
  EXPECT_EQ(upperMoves, 73);
  EXPECT_EQ(lowerMoves, 73);
  const std::string others = W("µ№«»©®°±§¶·€‰™–—…") + "\xA0\xAD\x98";
  EXPECT_EQ(AnsiUpperCase(others), others);
  EXPECT_EQ(AnsiLowerCase(others), others);
}

TEST(Cp1251, NarrowLowerCaseMovesOnlyLatinAndBasicCyrillicCapitals) {
  EXPECT_EQ(NarrowLowerCase(W("ПРИВЕТ, Ёлка! ABC xyz ЯЂЄ")), W("привет, Ёлка! abc xyz яЂЄ"));
  EXPECT_EQ(NarrowLowerCase(W("ЁЖИК")), W("Ёжик"));
}

TEST(Cp1251, LatinUpperCaseTouchesOnlyLatin) {
  EXPECT_EQ(LatinUpperCase("main"), "MAIN");
  EXPECT_EQ(LatinUpperCase(W("тема: main ёж")), W("тема: MAIN ёж"));
}

}  // namespace
}  // namespace pelmo
