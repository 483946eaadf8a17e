// The stat.ini of the statistics benchmarks: a year of counting for 50
// hosts, each with 365 "Day-" keys, 53 "Week-" keys (from the Monday 8
// December 2025), four nicks and a total; about 430 KB.
#pragma once

#include <string>

#include "base/date_time.h"

namespace pelmo {

inline std::string YearOfStats() {
  const TDateTime first = EncodeDate(2025, 12, 8);
  std::string text;
  for (int h = 0; h < 50; ++h) {
    text += "[HOST" + std::to_string(h) + "]\r\n";
    for (int d = 0; d < 365; ++d) {
      text += "Day-" + DateToStr(first + d) + "=" + std::to_string(100 + (h * 7 + d) % 900) + "\r\n";
    }
    for (int w = 0; w < 53; ++w) {
      text += "Week-" + DateToStr(first + 7 * w) + "=" + std::to_string(3000 + h + w) + "\r\n";
    }
    for (int n = 0; n < 4; ++n) {
      text += "User-nick" + std::to_string(h) + "_" + std::to_string(n) + "=" +
              std::to_string(50000 + h * 13 + n) + "\r\n";
    }
    text += "Total=" + std::to_string(200000 + h) + "\r\n";
  }
  return text;
}

}  // namespace pelmo
