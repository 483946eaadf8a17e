#include <pwd.h>
#include <unistd.h>

#include "program/machine_names.h"

namespace pelmo {

std::string ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "n/a";
  return name;
}

std::string UserName() {
  if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name) {
    return entry->pw_name;
  }
  return "n/a";
}

}  // namespace pelmo
