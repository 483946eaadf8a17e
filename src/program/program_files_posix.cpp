#include <limits.h>
#include <unistd.h>

#include "program/program_files.h"

namespace pelmo {

const bool kWorkFolderIsProgramFolder = false;

std::string ProgramPath(const std::string& fallback) {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return fallback;
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace pelmo
