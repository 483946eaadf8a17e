#include "base/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(TextFile, SplitsOnCrLfLfAndLoneCr) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  // A final line end does not start another line; blank lines stay.
  EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\n\n"), (Lines{"a", "", "b", ""}));
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitLines(""), Lines{});
  // CR CR LF is a lone CR followed by CR LF: two line ends.
  EXPECT_EQ(SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  // LF CR is two line ends as well.
  EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(TextFile, JoinWritesCrLfAfterEveryLine) {
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLines({}), "");
}

TEST(TextFile, ReadsLinesKeepingWindows1251Bytes) {
  TempDir dir;
  dir.WriteFile("t.txt", "\xcf\xf0\xe8\xe2\xe5\xf2\r\nsecond\nthird");
  EXPECT_EQ(ReadLines(dir.FilePath("t.txt")),
            (Lines{"\xcf\xf0\xe8\xe2\xe5\xf2", "second", "third"}));
}

TEST(TextFile, MissingFiles) {
  TempDir dir;
  std::string missing = dir.FilePath("none.txt");
  EXPECT_THROW(ReadLines(missing), FileError);
  EXPECT_FALSE(ReadWholeFile(missing).has_value());
  EXPECT_FALSE(FileExists(missing));
  EXPECT_EQ(FileSize(missing), -1);
  // A directory is not a file.
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_THROW(ReadLines(dir.Path()), FileError);
}

TEST(TextFile, WholeFileReadRespectsTheCap) {
  TempDir dir;
  dir.WriteFile("f", "0123456789");
  EXPECT_EQ(FileSize(dir.FilePath("f")), 10);
  EXPECT_EQ(ReadWholeFile(dir.FilePath("f"), 10), "0123456789");
  EXPECT_FALSE(ReadWholeFile(dir.FilePath("f"), 9).has_value());
}

TEST(TextFile, RewriteReplacesAtomicallyAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.FilePath("data.txt");
  dir.WriteFile("data.txt", "old contents that are longer\r\n");
  ::chmod(path.c_str(), 0640);
  RewriteLines(path, {"one", "two"});
  EXPECT_EQ(dir.ReadFile("data.txt"), "one\r\ntwo\r\n");
  RewriteFile(path, "");
  EXPECT_EQ(dir.ReadFile("data.txt"), "");
  EXPECT_EQ(dir.List(), Lines{"data.txt"});
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);

  // A new file is created the same way.
  RewriteFile(dir.FilePath("new.txt"), "x\r\n");
  EXPECT_EQ(dir.ReadFile("new.txt"), "x\r\n");
  EXPECT_EQ(dir.List(), (Lines{"data.txt", "new.txt"}));
}

TEST(TextFile, RewriteSkipsNamesTakenByAKilledProcessWithTheSamePid) {
  TempDir dir;
  dir.WriteFile("data.txt", "old\r\n");
  // This process's next temporary names, as an earlier one with the same
  // pid would have left them.
  const std::string pid = std::to_string(::getpid());
  for (int k = 0; k < 1000; ++k) {
    dir.WriteFile(".data.txt.tmp" + pid + "-" + std::to_string(k), "cut");
  }
  RewriteFile(dir.FilePath("data.txt"), "new\r\n");
  EXPECT_EQ(dir.ReadFile("data.txt"), "new\r\n");
  EXPECT_EQ(dir.ReadFile(".data.txt.tmp" + pid + "-0"), "cut");
  EXPECT_EQ(dir.List().size(), 1001u);
}

TEST(TextFile, RemovesOnlyTheTemporaryFilesOfProcessesThatAreGone) {
  // A pid that no process holds: a child that has exited and been reaped.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string gone = std::to_string(child);
  const std::string alive = std::to_string(::getpid());

  TempDir dir;
  const Lines kept = {".hidden.ini", ".seen.txt.tmp" + alive + "-3", ".x.tmp", ".x.tmp12-",
                      ".x.tmp-4", ".x.tmp12-4-5", ".x.tmp12a-4", "stat.ini", "x.tmp" + gone + "-0"};
  for (const std::string& name : kept) dir.WriteFile(name, "data");
  dir.WriteFile(".stat.ini.tmp" + gone + "-180", "[TESTPC]\r\nTot");
  dir.WriteFile(".426F62.tmp" + gone + "-0", "");
  dir.WriteFile("sub/.stat.ini.tmp" + gone + "-1", "below: not looked at");

  EXPECT_EQ(RemoveStaleTempFiles(dir.Path()), 2);
  Lines expected = kept;
  expected.push_back("sub");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.List(), expected);
  EXPECT_EQ(RemoveStaleTempFiles(dir.FilePath("missing")), 0);
}

TEST(TextFile, FailedRewriteThrowsAndLeavesNoTrace) {
  TempDir dir;
  // The target is a non-empty directory: the rename must fail.
  dir.WriteFile("busy/inner", "keep");
  EXPECT_THROW(RewriteFile(dir.FilePath("busy"), "new"), FileError);
  EXPECT_EQ(dir.ReadFile("busy/inner"), "keep");
  EXPECT_EQ(dir.List(), Lines{"busy"});
  // The directory of the target does not exist.
  EXPECT_THROW(RewriteFile(dir.FilePath("nodir/f.txt"), "x"), FileError);
}

TEST(TextFile, AppendLineAddsCrLfAndCreatesTheFile) {
  TempDir dir;
  std::string path = dir.FilePath("log.txt");
  AppendLine(path, "first");
  AppendLine(path, "");
  AppendLine(path, "third");
  EXPECT_EQ(dir.ReadFile("log.txt"), "first\r\n\r\nthird\r\n");
  EXPECT_THROW(AppendLine(dir.FilePath("nodir/log.txt"), "x"), FileError);
}

TEST(TextFile, AppendLineNeverRunsOnIntoAnUnfinishedLastLine) {
  TempDir dir;
  dir.WriteFile("a.txt", "edited by hand");
  AppendLine(dir.FilePath("a.txt"), "next");
  EXPECT_EQ(dir.ReadFile("a.txt"), "edited by hand\r\nnext\r\n");
  dir.WriteFile("b.txt", "old\n");
  AppendLine(dir.FilePath("b.txt"), "next");
  EXPECT_EQ(dir.ReadFile("b.txt"), "old\nnext\r\n");
}

TEST(TextFile, CreatesFilesAndDirectoriesOnlyWhenMissing) {
  TempDir dir;
  dir.WriteFile("keep.txt", "data");
  EXPECT_TRUE(CreateEmptyFileIfMissing(dir.FilePath("keep.txt")));
  EXPECT_EQ(dir.ReadFile("keep.txt"), "data");
  EXPECT_TRUE(CreateEmptyFileIfMissing(dir.FilePath("empty.txt")));
  EXPECT_EQ(FileSize(dir.FilePath("empty.txt")), 0);
  EXPECT_FALSE(CreateEmptyFileIfMissing(dir.FilePath("nodir/x.txt")));

  EXPECT_TRUE(CreateDirectory(dir.FilePath("user")));
  EXPECT_TRUE(CreateDirectory(dir.FilePath("user")));
  EXPECT_FALSE(CreateDirectory(dir.FilePath("keep.txt")));
  EXPECT_FALSE(CreateDirectory(dir.FilePath("a/b")));
}

TEST(TextFile, JoinPathNeverDoublesTheSlash) {
  EXPECT_EQ(JoinPath("dir", "f.txt"), "dir/f.txt");
  EXPECT_EQ(JoinPath("dir/", "f.txt"), "dir/f.txt");
  EXPECT_EQ(JoinPath("dir/", "/f.txt"), "dir/f.txt");
  EXPECT_EQ(JoinPath("/", "f.txt"), "/f.txt");
  EXPECT_EQ(JoinPath("", "f.txt"), "f.txt");
  EXPECT_EQ(JoinPath("a", "botfile/ban.txt"), "a/botfile/ban.txt");
}

}  // namespace
}  // namespace pelmo
