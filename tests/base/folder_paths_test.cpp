#include "base/folder_paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

// What a found path holds, so that the test reads the same on a system
// whose own lookup ignores case (Windows) and on one that does not.
std::optional<std::string> Contents(const FolderPaths::Located& located) {
  if (!located.found || located.found->match == FolderPaths::Match::kMissing) return std::nullopt;
  return ReadWholeFile(located.found->path);
}

TEST(FolderPaths, WindowsPathsFromAnOldInstallationMapIntoTheFolder) {
  TempDir dir;
  dir.WriteFile("Botfile/Rules.txt", "rules");
  // "Кино.txt" in UTF-8, as an archive unpacked on Linux names it (the
  // bot's own writer takes UTF-8 names on every system).
  RewriteFile(dir.FilePath("Botfile/\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE.txt"), "films");
  FolderPaths paths(dir.Path());

  // Backslashes, any case, a Windows-1251 name ("кино.txt").
  EXPECT_EQ(Contents(paths.Locate("botfile\\rules.txt")), "rules");
  EXPECT_EQ(Contents(paths.Locate("BOTFILE/RULES.TXT")), "rules");
  EXPECT_EQ(Contents(paths.Locate("botfile\\\xEA\xE8\xED\xEE.txt")), "films");
  EXPECT_EQ(Contents(paths.Locate("botfile\\\xCA\xC8\xCD\xCE.TXT")), "films");
  // An absolute Windows path whose end is in the folder maps there.
  EXPECT_EQ(Contents(paths.Locate("C:\\Pelmo_bot\\botfile\\Rules.txt")), "rules");
  EXPECT_EQ(Contents(paths.Locate("d:/old/bot/BOTFILE/rules.txt")), "rules");
  EXPECT_EQ(Contents(paths.Locate("\\\\server\\share\\botfile\\rules.txt")), "rules");
  EXPECT_EQ(Contents(paths.Locate("\\botfile\\rules.txt")), "rules");

  // A name that is not there is no refusal: the caller reports it missing.
  const FolderPaths::Located ghost = paths.Locate("botfile\\ghost.txt");
  ASSERT_TRUE(ghost.found);
  EXPECT_EQ(ghost.found->match, FolderPaths::Match::kMissing);
  EXPECT_TRUE(ghost.refusal.empty());
}

TEST(FolderPaths, PathsNeverLeaveTheFolder) {
  TempDir dir;
  dir.WriteFile("inner/botfile/x.txt", "inner");
  dir.WriteFile("outside.txt", "outside");
  FolderPaths paths(dir.FilePath("inner"));
  for (const char* written : {"..\\outside.txt", "botfile/../../outside.txt", "../outside.txt",
                              "C:\\elsewhere\\nothing.txt", "C:\\"}) {
    const FolderPaths::Located located = paths.Locate(written);
    EXPECT_FALSE(located.found) << written;
    EXPECT_FALSE(located.refusal.empty()) << written;
  }
  EXPECT_EQ(Contents(paths.Locate("botfile\\x.txt")), "inner");
  // A sibling whose name begins with the folder's is outside it.
  dir.WriteFile("inner-old/botfile/y.txt", "old");
  const FolderPaths::Located sibling = paths.Locate(dir.FilePath("inner-old/botfile/y.txt"));
  EXPECT_FALSE(sibling.found);
  EXPECT_FALSE(sibling.refusal.empty());
}

TEST(FolderPaths, AFileAddedLaterIsFoundAndAMissingOneGetsTheAskedName) {
  TempDir dir;
  dir.WriteFile("botfile/ban.txt", "");
  FolderPaths paths(dir.Path());
  const FolderPaths::Found missing = paths.Find("botfile/questions.txt");
  EXPECT_EQ(missing.match, FolderPaths::Match::kMissing);
  EXPECT_EQ(missing.path, dir.FilePath("botfile/questions.txt"));
  EXPECT_EQ(paths.Find("user/seen.txt").path, dir.FilePath("user/seen.txt"));

  // Copied in while the bot runs, under another case.
  dir.WriteFile("botfile/QUESTIONS.TXT", "q|a");
  const FolderPaths::Found found = paths.Find("botfile/questions.txt");
  EXPECT_NE(found.match, FolderPaths::Match::kMissing);
  EXPECT_EQ(ReadWholeFile(found.path), "q|a");
  EXPECT_EQ(paths.Find("botfile/ban.txt").match, FolderPaths::Match::kExact);
}

// The bot's own files keep a folder's listing current: a folder of many
// boxes is not listed again for each box added.
TEST(FolderPaths, TheBotsOwnWritesKeepTheListing) {
  TempDir dir;
  dir.WriteFile("user/seen.txt", "");
  FolderPaths paths(dir.Path());
  EXPECT_EQ(paths.Find("user/4142").match, FolderPaths::Match::kMissing);
  EXPECT_EQ(paths.ListingReads(), 1u);
  for (int i = 0; i < 5; ++i) {
    const std::string path = paths.Find("user/B" + std::to_string(i)).path;
    paths.Write(path, [&] { RewriteFile(path, "x"); });
  }
  const std::string seen = paths.Find("user/seen.txt").path;
  paths.Write(seen, [&] { RewriteFile(seen, "Ann\r\n"); });
  EXPECT_EQ(paths.Find("user/4142").match, FolderPaths::Match::kMissing);
  const FolderPaths::Found other = paths.Find("user/b3");
  EXPECT_EQ(ReadWholeFile(other.path), "x");
  EXPECT_EQ(paths.ListingReads(), 1u);
}

}  // namespace
}  // namespace pelmo
