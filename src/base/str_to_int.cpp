#include "base/str_to_int.h"

#include <stdexcept>

namespace pelmo {

long long StrToInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  std::size_t start = i;
  long long value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit = c >= '0' && c <= '9'                   ? c - '0'
                : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
    if (digit < 0) break;
    value = value * base + digit;
    if (value > 0x7FFFFFFFLL) throw std::invalid_argument("not an integer");
  }
  if (i == start || i != text.size()) throw std::invalid_argument("not an integer");
  return negative ? -value : value;
}

}  // namespace pelmo
