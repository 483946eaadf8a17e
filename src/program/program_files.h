// Where the program is and what it was started with.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

// Windows: the working folder is the program's own folder unless --dir
// says another (command_line.h); Linux: the current folder.
extern const bool kWorkFolderIsProgramFolder;

// This program's file (UTF-8); fallback when the system will not say.
std::string ProgramPath(const std::string& fallback);
// The command line, program name first, in UTF-8 (Windows: from the
// system's UTF-16 command line, not the ANSI code page's argv).
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace pelmo
