#include "core/error_text.h"

#include "base/cp1251.h"

namespace pelmo {

std::string ToLogText(std::string_view message) {
  if (IsValidUtf8(message)) return Utf8ToCp1251(message);
  return std::string(message);
}

std::string ErrorLogLine(const std::exception& error) {
  return "Error: " + ToLogText(error.what());
}

}  // namespace pelmo
