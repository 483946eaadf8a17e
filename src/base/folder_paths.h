// Paths inside one folder found as Windows finds them, so that a working
// folder moved over from Windows works as it is: a name matches whatever
// the case of its Latin and Cyrillic letters, and a name written in
// Windows-1251 (as the files of an old installation write it) finds a file
// whose name on disk is UTF-8 (an archive unpacked on Linux) or the same
// Windows-1251 bytes (a folder copied byte for byte). An exact name costs
// one system call; otherwise each folder's listing is kept and read again
// only when the folder's entries have changed since. Any thread.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dir_listing.h"

namespace pelmo {

class FolderPaths {
 public:
  // root: the folder itself, as the system spells it (UTF-8).
  explicit FolderPaths(std::string root);
  FolderPaths(const FolderPaths&) = delete;
  FolderPaths& operator=(const FolderPaths&) = delete;

  const std::string& Root() const { return m_root; }

  // How a name was found; a later kind wins over an earlier one.
  enum class Match {
    kExact,             // as asked
    kOtherCase,         // only when the case of letters is ignored
    kWindows1251Name,   // a name on disk in Windows-1251 bytes
    kMissing,           // not there
  };
  struct Found {
    // The path on disk; when missing, the folders found and the rest as
    // asked (in UTF-8): where a write creates it.
    std::string path;
    Match match = Match::kMissing;
  };

  // relative: Windows-1251 names separated by "/" or "\"; empty names and
  // "." are skipped. Callers keep ".." out (Locate does).
  Found Find(std::string_view relative) const;

  // A path that a data file names (extcmds.ini): relative to the folder, or
  // absolute. An absolute Windows path ("C:\..." or "\\server\...") is
  // taken by the longest tail of it that exists in the folder. found is
  // nullopt, with the reason in refusal, for a path that would leave the
  // folder: "..", an absolute path outside it or without such a tail, or
  // a link to a place outside it.
  struct Located {
    std::optional<Found> found;
    std::string refusal;
  };
  Located Locate(std::string_view written) const;

  // write() creates or replaces the file at path (a path Find gave),
  // through this process. When the folder's listing was current before,
  // it stays current after, with the file's name in it, instead of being
  // read again at the next lookup: a folder of many files (user/ with its
  // boxes) then costs no listing for each file the bot adds. A change made
  // by another process in between is seen at the one after it. Whatever
  // write() throws is passed on.
  void Write(const std::string& path, const std::function<void()>& write) const;
  // How many times a folder's listing has been read.
  std::size_t ListingReads() const;

 private:
  struct Listing {
    DirectoryStamp stamp;
    // Upper-cased Windows-1251 form -> name on disk, first in sorted order.
    std::map<std::string, std::string> byKey;
  };
  // Find for the names from `from` on, each given as written
  // (Windows-1251) and in UTF-8: a Windows path's tails share one split.
  Found FindNames(const std::vector<std::string>& names,
                  const std::vector<std::string>& utf8Names, std::size_t from) const;
  // The entry of folder dir matching name, ignoring case; nullopt if none.
  std::optional<std::string> FindInListing(const std::string& dir, const std::string& name) const;
  // True when path, links resolved, stays inside the folder.
  bool Inside(const std::string& path) const;

  std::string m_root;
  mutable std::mutex m_mutex;
  mutable std::map<std::string, Listing> m_listings;
  mutable std::size_t m_listingReads = 0;
};

// A short English phrase for the check report ("named in another case").
const char* MatchText(FolderPaths::Match match);

}  // namespace pelmo
