// The C library's local-time conversion, whose thread-safe form differs
// between the platforms.
#pragma once

#include <ctime>

namespace pelmo {

// The local time of seconds; false when the C library cannot convert it.
bool ToLocalTime(std::time_t seconds, std::tm& local);

}  // namespace pelmo
