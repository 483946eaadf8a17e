#include "program/new_folder.h"

#include "base/cp1251.h"
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
      if (!CreateDirectory(to.path)) throw FileError("не удалось создать " + to.path);
      copied += CopyMissing(source, folder, inner);
    } else if (to.match == FolderPaths::Match::kMissing) {
      const std::optional<std::string> contents = ReadWholeFile(from);
      if (!contents) throw FileError("не удалось прочитать " + from);
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
  const std::string head = W("В папке ") + ToLogText(dir) + W(" не было Net.ini: ");
  std::string line;
  if (shipped.empty()) {
    line = head + W("рядом с программой нет папки workdir");
  } else {
    try {
      const int copied = CopyMissing(shipped, folder, "");
      return head + W("скопировано файлов из папки ") + ToLogText(shipped) + ": " +
             std::to_string(copied) + W(" (сеть — multicast на loopback: ничего не уходит с "
                                        "этого компьютера; чтобы бот вышел в сеть, измените "
                                        "Net.ini).");
    } catch (const std::exception& e) {
      line = head + W("папку ") + ToLogText(shipped) + W(" скопировать не удалось (") +
             ToLogText(e.what()) + ")";
    }
  }
  // Never the bare defaults, which are sniffer mode.
  if (folder.Find("Net.ini").match == FolderPaths::Match::kMissing) {
    std::string text;
    for (const char c : ShippedNetIni()) {
      if (c == '\n' && (text.empty() || text.back() != '\r')) text += '\r';
      text += c;
    }
    try {
      RewriteFile(folder.Find("Net.ini").path, text);
      return line + W("; записан Net.ini программы (multicast на loopback, без режима sniffer).");
    } catch (const std::exception& e) {
      return line + W("; записать Net.ini не удалось: ") + ToLogText(e.what());
    }
  }
  return line + ".";
}

}  // namespace pelmo
