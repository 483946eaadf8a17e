// What the case-insensitive lookup of folder_paths.h asks of the system:
// a folder's entries, a stamp that changes whenever an entry is added,
// removed or renamed, and a path with its links resolved. Paths are UTF-8
// on Windows and the system's bytes on Linux. Any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelmo {

// The folder's identity and last change of its entries.
struct DirectoryStamp {
  long long identity = 0;
  long long seconds = 0;
  long long nanoseconds = 0;
  bool operator==(const DirectoryStamp&) const = default;
};

// nullopt when path is no folder (or the system cannot tell).
std::optional<DirectoryStamp> StampOfDirectory(const std::string& path);

// The names of the folder's entries, "." and ".." left out, spelt as the
// system keeps them. Empty when the folder cannot be read.
std::vector<std::string> ListDirectory(const std::string& path);

// The absolute path with "." and ".." and the links on the way (symbolic
// links; on Windows junctions too, as the system opens the path)
// resolved; nullopt when nothing exists there.
std::optional<std::string> RealPath(const std::string& path);

// True when this process may write to the file or create files in the
// folder at path (as far as the system says without trying).
bool Writable(const std::string& path);

}  // namespace pelmo
