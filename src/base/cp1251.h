// Windows-1251 text. Every string inside the bot holds Windows-1251 bytes;
// UTF-8 appears only at the edges (standard output, the window, source
// literals converted with W()).
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// Windows-1251 bytes to UTF-8. Byte 0x98 (unassigned) becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view text);

// UTF-8 to Windows-1251. Characters the code page lacks, and malformed
// UTF-8 sequences, become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// True when the bytes are well-formed UTF-8 throughout (ASCII is).
bool IsValidUtf8(std::string_view text);

// A source literal (UTF-8) as Windows-1251 bytes: W("погода").
std::string W(std::string_view utf8);

// Upper- and lower-casing by the Russian locale's ANSI rules: Latin a-z,
// all Cyrillic letters including Ё/ё and the other Cyrillic letters of the
// code page (Ђ, Ѓ, Љ, Њ, Ќ, Ћ, Џ, Ў, Ј, Ґ, Є, Ї, І, Ѕ and their small forms).
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);

// The chatterbox's narrow lower-casing: only A-Z and А-Я move by 32;
// Ё and every other byte stay as they are.
std::string NarrowLowerCase(std::string_view text);

// Latin letters a-z only (the "MAIN" channel test and the topic box).
std::string LatinUpperCase(std::string_view text);

// Without the characters of code 32 and below at both ends, as the
// runtime's Trim cuts.
std::string TrimControls(std::string_view text);

}  // namespace pelmo
