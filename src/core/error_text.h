// The log line of an error that ended the handling of an event.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "base/cp1251.h"  // IsValidUtf8

namespace pelmo {

// A message for the Windows-1251 log: system messages and paths are UTF-8
// and are converted; a message that is not UTF-8 is taken as Windows-1251.
std::string ToLogText(std::string_view message);

// "Error: " + the exception's message, for the log (colour 0).
std::string ErrorLogLine(const std::exception& error);

}  // namespace pelmo
