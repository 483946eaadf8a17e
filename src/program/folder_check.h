// The folder check, "pelmobot --check [--dir DIR]": what the bot will get
// from a working folder (counts of its lists) and every problem found,
// with what to do about it. It only reads: nothing in the folder changes,
// no recovered seed is remembered, no file is converted.
//
// A finding is a note when the bot handles it by itself (a missing file is
// created, a name in another case is found, a UTF-8 file is converted, a
// moved box's seed is recovered) and a problem when the folder will not
// work as meant until the operator acts (a file that cannot be read or
// written, a value that cannot be read, a box no seed opens, a missing
// command file, a section written twice).
#pragma once

#include <string>
#include <vector>

namespace pelmo {

struct FolderReport {
  struct Count {
    std::string what;
    long long n = 0;
  };
  struct Finding {
    bool problem = false;
    std::string text;  // UTF-8
  };
  std::string dir;
  std::vector<Count> counts;
  std::vector<Finding> findings;

  void Note(std::string text) { findings.push_back({false, std::move(text)}); }
  void Problem(std::string text) { findings.push_back({true, std::move(text)}); }
  int Problems() const;
};

// Checks the folder dir; shipped: the shipped working folder a folder
// without Net.ini would get ("" when there is none).
FolderReport CheckWorkFolder(const std::string& dir, const std::string& shipped);

// The report as printed: the counts, the problems, the notes, a verdict.
std::string FormatFolderReport(const FolderReport& report);

// Prints the report of dir on standard output. 0 when the folder will
// work, 1 otherwise.
int RunFolderCheck(const std::string& dir, const std::string& programPath);

}  // namespace pelmo
