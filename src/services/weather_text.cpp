#include "services/weather_text.h"

#include <string_view>

#include "base/cp1251.h"
#include "base/text_encoding.h"

namespace pelmo {

namespace {

constexpr std::string_view kMarker = ".write(\"";
// The closing part of the script before its last character.
constexpr std::size_t kClosingPart = 6;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The charset parameter of a Content-Type, lower case, without quotes.
std::string CharsetOf(std::string_view contentType) {
  const std::string type = Lower(contentType);
  const std::size_t key = type.find("charset=");
  if (key == std::string::npos) return {};
  std::string value = type.substr(key + 8);
  value = value.substr(0, value.find(';'));
  std::string out;
  for (char c : value) {
    if (c != '"' && c != '\'' && c != ' ' && c != '\t') out += c;
  }
  return out;
}

}  // namespace

std::string InformerTextTo1251(std::string body, std::string_view contentType) {
  const std::string charset = CharsetOf(contentType);
  if (charset == "windows-1251" || charset == "cp1251" || charset == "x-cp1251") return body;
  if ((charset == "utf-8" || charset == "utf8") && IsValidUtf8(body)) {
    if (body.starts_with("\xEF\xBB\xBF")) body.erase(0, 3);
    return Utf8ToCp1251(body);
  }
  return ToCp1251Text(std::move(body));
}

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
  if (rest.size() > kClosingPart && rest[rest.size() - 1 - kClosingPart] == '"') {
    rest.erase(rest.size() - 1 - kClosingPart, kClosingPart);
  } else if (const std::size_t quote = rest.rfind('"'); quote != std::string::npos) {
    rest.erase(quote);
  }
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
