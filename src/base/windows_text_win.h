// Windows only: UTF-8 paths and texts to the system's UTF-16 and back, and
// the system's own words for an error code.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// Invalid UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The system's message for a Win32 or Winsock error code (FormatMessage, in
// the user's language) without its trailing line end; empty when the
// system has none.
std::string SystemErrorUtf8(unsigned long code);
// The same message in Windows-1251 ("?" for what it lacks), for the log.
std::string SystemErrorCp1251(unsigned long code);

}  // namespace pelmo
