#include "base/dir_listing.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace pelmo {

std::optional<DirectoryStamp> StampOfDirectory(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  DirectoryStamp stamp;
  stamp.identity = static_cast<long long>(info.st_ino) ^ (static_cast<long long>(info.st_dev) << 32);
  stamp.seconds = static_cast<long long>(info.st_mtim.tv_sec);
  stamp.nanoseconds = static_cast<long long>(info.st_mtim.tv_nsec);
  return stamp;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), ::closedir);
  if (!folder) return names;
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  return names;
}

std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), ::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

bool Writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

}  // namespace pelmo
