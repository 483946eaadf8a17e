#include "services/weather_text.h"

#include <string_view>

namespace pelmo {

namespace {

constexpr std::string_view kMarker = ".write(\"";
// The closing part of the script before its last character.
constexpr std::size_t kClosingPart = 6;

}  // namespace

std::string StripMarkup(const std::string& text) {
  std::string result;
  bool inTag = false;
  std::size_t copied = 0;
  for (char c : text) {
    if (c == '<') {
      inTag = true;
      if (copied > 0) result += "\r\n";
    } else if (c == '>') {
      inTag = false;
      copied = 0;
    } else if (!inTag) {
      result += c;
      ++copied;
    }
  }
  return result;
}

std::optional<std::string> ExtractWeatherText(const std::string& body) {
  const std::size_t marker = body.find(kMarker);
  if (marker == std::string::npos) return std::nullopt;
  std::string rest = body.substr(marker + kMarker.size());
  // Too short a rest has no closing part to take away.
  if (rest.size() > kClosingPart) rest.erase(rest.size() - 1 - kClosingPart, kClosingPart);
  return StripMarkup(rest);
}

std::string SafeOutputName(const std::string& name) {
  const std::string fallback = "weather.txt";
  if (name.empty() || name == "." || name == "..") return fallback;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return fallback;
  }
  return name;
}

}  // namespace pelmo
