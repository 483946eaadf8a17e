#include "services/http_fetch.h"

#include <stdexcept>

#include "base/str_to_int.h"

namespace pelmo {

long ProxyPortValue(const std::string& text) {
  try {
    const long long port = StrToInt(text);
    if (port >= 1 && port <= 65535) return static_cast<long>(port);
  } catch (const std::invalid_argument&) {
  }
  return 80;
}

}  // namespace pelmo
