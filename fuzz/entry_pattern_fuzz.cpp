// libFuzzer target for the patterns of botfile/defvhod.ini: a pattern, a
// zero byte, then the nick. Formatting never takes the pattern for a
// printf format: it either fails with PatternError or gives the pattern's
// text with the nick in place of its "%s" (an explicit index may take it
// again), and a pattern without "%" comes back as it is. Each conversion
// may ask for a width of 65535, so the patterns are kept to a few
// kilobytes, as an operator's defvhod.ini has them.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "services/welcome.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelmo;
  if (size > 4096) return 0;
  const std::vector<std::string> parts = fuzz::Parts(data, size, 2);
  const std::string& pattern = parts[0];
  const std::string& nick = parts[1];
  try {
    const std::string text = FormatWithNick(pattern, nick);
    if (pattern.find('%') == std::string::npos && text != pattern) __builtin_trap();
    // Widths are at most 65535: no conversion gives more than that or the
    // nick.
    if (text.size() > pattern.size() * (65535 + nick.size())) __builtin_trap();
  } catch (const PatternError&) {
    if (pattern.find('%') == std::string::npos) __builtin_trap();
  }
  return 0;
}
