// libFuzzer target for botfile/top.txt, written by a program outside the
// bot: the file, a zero byte, then the nick looked up. A file that cannot
// be ranked is refused with std::invalid_argument; a nick that is found
// has a place among the ranked lines and the count of one of its lines.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/text_file.h"
#include "fuzz_support.h"
#include "services/talker_top.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelmo;
  if (size > 1 << 20) return 0;
  const std::vector<std::string> parts = fuzz::Parts(data, size, 2);
  const std::vector<std::string> lines = SplitLines(parts[0]);
  try {
    const TopPlace place = FindTopPlace(lines, parts[1]);
    if (!place.found) return 0;
    if (place.rank < 1 || place.rank > std::min(lines.size(), kTopLines)) __builtin_trap();
    bool counted = false;
    for (const std::string& line : lines) {
      if (line.rfind(parts[1] + " (\xB6", 0) == 0 &&
          line.substr(parts[1].size() + 3) == place.countText) {
        counted = true;
      }
    }
    if (!counted) __builtin_trap();
  } catch (const std::invalid_argument&) {
  }
  return 0;
}
