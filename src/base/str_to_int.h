// Whole numbers typed by users, read as the runtime's StrToInt reads them.
#pragma once

#include <string>

namespace pelmo {

// Leading blanks, an optional sign, decimal digits or "$" and hex digits,
// nothing after; the magnitude fits 32 bits. Throws std::invalid_argument
// for anything else.
long long StrToInt(const std::string& text);

}  // namespace pelmo
