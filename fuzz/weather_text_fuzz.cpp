// libFuzzer target for the weather informer's answer: the forecast text
// taken out of its script and its markup, and the name of the file it
// goes to. The text never holds a tag's inside, and the file name is
// always a bare name within botfile/.
#include <cstdint>
#include <string>

#include "services/weather_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelmo;
  if (size > 1 << 20) return 0;
  const std::string body(reinterpret_cast<const char*>(data), size);
  if (const std::optional<std::string> text = ExtractWeatherText(body)) {
    if (text->find('<') != std::string::npos || text->size() > body.size() * 2) {
      __builtin_trap();
    }
    if (body.find(".write(\"") == std::string::npos) __builtin_trap();
  }
  const std::string stripped = StripMarkup(body);
  if (stripped.find('<') != std::string::npos) __builtin_trap();
  const std::string name = SafeOutputName(body);
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("/\\") != std::string::npos) {
    __builtin_trap();
  }
  for (const unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) __builtin_trap();
  }
  return 0;
}
