#include "base/folder_paths.h"

#include <algorithm>
#include <cctype>

#include "base/cp1251.h"
#include "base/text_file.h"

namespace pelmo {

namespace {

std::vector<std::string> SplitNames(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find_first_of("/\\", start);
    const std::string_view name =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!name.empty() && name != ".") names.emplace_back(name);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return names;
}

std::string JoinNames(const std::vector<std::string>& names, std::size_t from) {
  std::string joined;
  for (std::size_t i = from; i < names.size(); ++i) {
    if (!joined.empty()) joined += '/';
    joined += names[i];
  }
  return joined;
}

// A name on disk as Windows-1251, the form names are compared in.
std::string Windows1251Form(const std::string& name) {
  return IsValidUtf8(name) ? Utf8ToCp1251(name) : name;
}

bool IsAscii(const std::string& name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::vector<std::string> Utf8Names(const std::vector<std::string>& names) {
  std::vector<std::string> utf8Names;
  utf8Names.reserve(names.size());
  for (const std::string& name : names) utf8Names.push_back(Cp1251ToUtf8(name));
  return utf8Names;
}

bool Exists(const std::string& path) { return !PathMissing(path); }

// How many leading names of a Windows absolute path name no folder here:
// one for "C:\..." (or "C:/..."), two for "\\server\share\...", none for
// "\..." (the root of the current drive); nullopt for any other path.
std::optional<std::size_t> WindowsRootNames(std::string_view path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      (path[2] == '\\' || path[2] == '/')) {
    return 1;
  }
  if (path.substr(0, 2) == "\\\\") return 2;
  if (path.substr(0, 1) == "\\") return 0;
  return std::nullopt;
}

}  // namespace

FolderPaths::FolderPaths(std::string root) : m_root(std::move(root)) {}

FolderPaths::Found FolderPaths::Find(std::string_view relative) const {
  const std::vector<std::string> names = SplitNames(relative);
  return FindNames(names, Utf8Names(names), 0);
}

FolderPaths::Found FolderPaths::FindNames(const std::vector<std::string>& names,
                                          const std::vector<std::string>& utf8Names,
                                          std::size_t from) const {
  // Nearly always the name is there as it is written.
  const std::string exact = JoinPath(m_root, JoinNames(utf8Names, from));
  if (from >= names.size() || Exists(exact)) return {exact, Match::kExact};

  Found found{m_root, Match::kExact};
  for (std::size_t i = from; i < names.size(); ++i) {
    const std::string asUtf8 = JoinPath(found.path, utf8Names[i]);
    if (Exists(asUtf8)) {
      found.path = asUtf8;
      continue;
    }
    const std::string asBytes = JoinPath(found.path, names[i]);
    if (!IsAscii(names[i]) && Exists(asBytes)) {
      found.path = asBytes;
      found.match = std::max(found.match, Match::kWindows1251Name);
      continue;
    }
    if (std::optional<std::string> onDisk = FindInListing(found.path, names[i])) {
      const Match match = IsValidUtf8(*onDisk) ? Match::kOtherCase : Match::kWindows1251Name;
      found.path = JoinPath(found.path, *onDisk);
      found.match = std::max(found.match, match);
      continue;
    }
    found.path = JoinPath(found.path, JoinNames(utf8Names, i));
    found.match = Match::kMissing;
    return found;
  }
  return found;
}

FolderPaths::Located FolderPaths::Locate(std::string_view written) const {
  Located located;
  std::vector<std::string> names = SplitNames(written);
  if (std::find(names.begin(), names.end(), "..") != names.end()) {
    located.refusal = "\"..\" would leave the working folder";
    return located;
  }
  if (const std::optional<std::size_t> skip = WindowsRootNames(written)) {
    const std::vector<std::string> utf8Names = Utf8Names(names);
    for (std::size_t from = *skip; from < names.size(); ++from) {
      Found found = FindNames(names, utf8Names, from);
      if (found.match == Match::kMissing) continue;
      if (!Inside(found.path)) break;
      located.found = std::move(found);
      return located;
    }
    located.refusal = "an absolute Windows path whose end is not in the working folder";
    return located;
  }
  if (!written.empty() && written.front() == '/') {
    // Absolute on this system: taken only inside the folder.
    const std::optional<std::string> real = RealPath(std::string(written));
    const std::optional<std::string> root = RealPath(m_root);
    if (!real || !root || !Inside(*real)) {
      located.refusal = "an absolute path outside the working folder";
      return located;
    }
    names = SplitNames(real->substr(root->size()));
  }
  Found found = FindNames(names, Utf8Names(names), 0);
  if (found.match != Match::kMissing && !Inside(found.path)) {
    located.refusal = "a link that leads out of the working folder";
    return located;
  }
  located.found = std::move(found);
  return located;
}

std::optional<std::string> FolderPaths::FindInListing(const std::string& dir,
                                                      const std::string& name) const {
  const std::optional<DirectoryStamp> stamp = StampOfDirectory(dir);
  if (!stamp) return std::nullopt;
  std::lock_guard<std::mutex> lock(m_mutex);
  Listing& listing = m_listings[dir];
  if (listing.byKey.empty() || !(listing.stamp == *stamp)) {
    std::vector<std::string> entries = ListDirectory(dir);
    ++m_listingReads;
    std::sort(entries.begin(), entries.end());
    listing.byKey.clear();
    for (const std::string& entry : entries) {
      listing.byKey.emplace(AnsiUpperCase(Windows1251Form(entry)), entry);
    }
    listing.stamp = *stamp;
  }
  const auto entry = listing.byKey.find(AnsiUpperCase(name));
  if (entry == listing.byKey.end()) return std::nullopt;
  return entry->second;
}

void FolderPaths::Write(const std::string& path, const std::function<void()>& write) const {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    write();
    return;
  }
  const std::string dir = path.substr(0, slash);
  const std::string name = path.substr(slash + 1);
  const std::optional<DirectoryStamp> before = StampOfDirectory(dir);
  write();
  const std::optional<DirectoryStamp> after = StampOfDirectory(dir);
  if (!before || !after) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto listing = m_listings.find(dir);
  if (listing == m_listings.end() || !(listing->second.stamp == *before)) return;
  listing->second.byKey.emplace(AnsiUpperCase(Windows1251Form(name)), name);
  listing->second.stamp = *after;
}

std::size_t FolderPaths::ListingReads() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_listingReads;
}

bool FolderPaths::Inside(const std::string& path) const {
  const std::optional<std::string> real = RealPath(path);
  const std::optional<std::string> root = RealPath(m_root);
  if (!real || !root) return false;
  const std::string prefix = root->back() == '/' ? *root : *root + "/";
  return *real == *root || real->rfind(prefix, 0) == 0;
}

const char* MatchText(FolderPaths::Match match) {
  switch (match) {
    case FolderPaths::Match::kExact:
      return "found as named";
    case FolderPaths::Match::kOtherCase:
      return "found only when the case of letters is ignored";
    case FolderPaths::Match::kWindows1251Name:
      return "found by its Windows-1251 name";
    case FolderPaths::Match::kMissing:
      return "missing";
  }
  return "missing";
}

}  // namespace pelmo
