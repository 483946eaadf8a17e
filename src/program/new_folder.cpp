#include "program/new_folder.h"

#include "base/dir_listing.h"
#include "base/text_file.h"
#include "core/error_text.h"
#include "core/work_folder.h"

namespace pelmo {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Copies what the folder lacks of source/relative, folder by folder,
// whatever the case of the names already there; the number of files
// copied. Throws FileError when one cannot be written.
int CopyMissing(const std::string& source, const WorkFolder& folder, const std::string& relative) {
  int copied = 0;
  for (const std::string& name : ListDirectory(JoinPath(source, relative))) {
    const std::string inner = relative.empty() ? name : relative + "/" + name;
    const std::string from = JoinPath(source, inner);
    const FolderPaths::Found to = folder.Find(inner);
    if (DirectoryExists(from)) {
      if (!CreateDirectory(to.path)) throw FileError("cannot create " + to.path);
      copied += CopyMissing(source, folder, inner);
    } else if (to.match == FolderPaths::Match::kMissing) {
      const std::optional<std::string> contents = ReadWholeFile(from);
      if (!contents) throw FileError("cannot read " + from);
      RewriteFile(to.path, *contents);
      ++copied;
    }
  }
  return copied;
}

}  // namespace

std::string ShippedWorkFolder(const std::string& programPath) {
  const std::string programDir = FolderOf(programPath);
  for (const std::string& candidate :
       {JoinPath(programDir, "workdir"), JoinPath(programDir, "../share/pelmobot/workdir")}) {
    if (FileExists(JoinPath(candidate, "Net.ini"))) return candidate;
  }
  // A program of a build folder: the tree it was built from.
  const std::optional<std::string> real = RealPath(programPath);
  const std::optional<std::string> build = RealPath(PELMO_BINARY_DIR);
  const std::string source = JoinPath(PELMO_SOURCE_DIR, "dist/workdir");
  if (real && build && real->rfind(*build + "/", 0) == 0 && FileExists(JoinPath(source, "Net.ini"))) {
    return source;
  }
  return {};
}

std::string FillNewWorkFolder(const std::string& dir, const std::string& shipped) {
  const WorkFolder folder(dir);
  if (folder.Find("Net.ini").match != FolderPaths::Match::kMissing) return {};
  if (shipped.empty()) {
    return "No Net.ini in " + ToLogText(dir) +
           " and no shipped working folder beside the program: the settings' own defaults are "
           "used.";
  }
  try {
    const int copied = CopyMissing(shipped, folder, "");
    return "No Net.ini in " + ToLogText(dir) + ": " + std::to_string(copied) +
           " file(s) copied from the shipped working folder " + ToLogText(shipped) +
           " (loopback multicast: nothing leaves this computer; edit Net.ini to put the bot on "
           "the LAN).";
  } catch (const std::exception& e) {
    return "No Net.ini in " + ToLogText(dir) + "; copying the shipped working folder " +
           ToLogText(shipped) + " failed: " + ToLogText(e.what());
  }
}

}  // namespace pelmo
