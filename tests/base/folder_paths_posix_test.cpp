// The lookup where the system itself matches names byte for byte: names
// in another case, Windows-1251 names on disk, and links out.
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/folder_paths.h"
#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using Match = FolderPaths::Match;

TEST(FolderPathsPosix, SaysHowEachNameWasFound) {
  TempDir dir;
  dir.WriteFile("BotFile/Questions.txt", "q");
  dir.WriteFile("BotFile/exact.txt", "e");
  // "Анекдоты.txt" as Windows-1251 bytes (a folder copied byte for byte).
  dir.WriteFile("BotFile/\xC0\xED\xE5\xEA\xE4\xEE\xF2\xFB.txt", "a");
  // "Ёлка.txt" in UTF-8.
  dir.WriteFile("BotFile/\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.txt", "y");
  FolderPaths paths(dir.Path());

  const struct {
    const char* asked;
    Match match;
    const char* onDisk;
  } cases[] = {
      {"BotFile/exact.txt", Match::kExact, "BotFile/exact.txt"},
      {"botfile/questions.txt", Match::kOtherCase, "BotFile/Questions.txt"},
      {"BOTFILE\\QUESTIONS.TXT", Match::kOtherCase, "BotFile/Questions.txt"},
      {"BotFile/\xC0\xED\xE5\xEA\xE4\xEE\xF2\xFB.txt", Match::kWindows1251Name,
       "BotFile/\xC0\xED\xE5\xEA\xE4\xEE\xF2\xFB.txt"},
      // "анекдоты.TXT"
      {"botfile/\xE0\xED\xE5\xEA\xE4\xEE\xF2\xFB.TXT", Match::kWindows1251Name,
       "BotFile/\xC0\xED\xE5\xEA\xE4\xEE\xF2\xFB.txt"},
      // "ЁЛКА.txt" and "ёлка.txt": Ё moves by 16 in the code page.
      {"botfile/\xA8\xCB\xCA\xC0.txt", Match::kOtherCase,
       "BotFile/\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.txt"},
      {"botfile/\xB8\xEB\xEA\xE0.txt", Match::kOtherCase,
       "BotFile/\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.txt"},
      {"botfile/none.txt", Match::kMissing, "BotFile/none.txt"},
  };
  for (const auto& c : cases) {
    const FolderPaths::Found found = paths.Find(c.asked);
    EXPECT_EQ(found.match, c.match) << c.asked;
    EXPECT_EQ(found.path, dir.FilePath(c.onDisk)) << c.asked;
  }
}

TEST(FolderPathsPosix, LinksOutAndAbsolutePathsOutsideAreRefused) {
  TempDir dir;
  dir.WriteFile("work/botfile/inside.txt", "in");
  dir.WriteFile("secret.txt", "secret");
  ASSERT_EQ(::symlink(dir.FilePath("secret.txt").c_str(), dir.FilePath("work/botfile/out.txt").c_str()), 0);
  ASSERT_EQ(::symlink("inside.txt", dir.FilePath("work/botfile/alias.txt").c_str()), 0);
  FolderPaths paths(dir.FilePath("work"));

  EXPECT_FALSE(paths.Locate("botfile/out.txt").found);
  EXPECT_FALSE(paths.Locate("BOTFILE/OUT.TXT").found);
  EXPECT_FALSE(paths.Locate(dir.FilePath("secret.txt")).found);
  EXPECT_FALSE(paths.Locate("/etc/passwd").found);
  // A link that stays inside, and an absolute path inside, are taken.
  ASSERT_TRUE(paths.Locate("botfile/alias.txt").found);
  EXPECT_EQ(ReadWholeFile(paths.Locate("botfile/alias.txt").found->path), "in");
  ASSERT_TRUE(paths.Locate(dir.FilePath("work/botfile/inside.txt")).found);
}

}  // namespace
}  // namespace pelmo
