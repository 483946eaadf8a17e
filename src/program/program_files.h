// Where the program is and what it was started with.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

// This program's file (UTF-8); fallback when the system will not say.
std::string ProgramPath(const std::string& fallback);
// The command line, program name first, in UTF-8 (Windows: from the
// system's UTF-16 command line, not the ANSI code page's argv).
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace pelmo
