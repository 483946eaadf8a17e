#include "base/text_file.h"

#include <gtest/gtest.h>

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

TEST(TextFile, ReadsPartsOfAFile) {
  TempDir dir;
  dir.WriteFile("f", "0123456789");
  std::string part;
  struct Case {
    long long offset;
    std::size_t size;
    const char* expected;
  };
  for (const Case& c : {Case{0, 4, "0123"}, Case{6, 4, "6789"}, Case{8, 10, "89"},
                        Case{10, 3, ""}, Case{20, 3, ""}, Case{3, 0, ""}}) {
    ASSERT_TRUE(ReadFilePart(dir.FilePath("f"), c.offset, c.size, part)) << c.offset;
    EXPECT_EQ(part, c.expected) << c.offset << " " << c.size;
  }
  EXPECT_FALSE(ReadFilePart(dir.FilePath("missing"), 0, 4, part));
  EXPECT_EQ(part, "");
}

TEST(TextFile, RewriteReplacesAtomicallyAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.FilePath("data.txt");
  dir.WriteFile("data.txt", "old contents that are longer\r\n");
  RewriteLines(path, {"one", "two"});
  EXPECT_EQ(dir.ReadFile("data.txt"), "one\r\ntwo\r\n");
  RewriteFile(path, "");
  EXPECT_EQ(dir.ReadFile("data.txt"), "");
  EXPECT_EQ(dir.List(), Lines{"data.txt"});

  // A new file is created the same way.
  RewriteFile(dir.FilePath("new.txt"), "x\r\n");
  EXPECT_EQ(dir.ReadFile("new.txt"), "x\r\n");
  EXPECT_EQ(dir.List(), (Lines{"data.txt", "new.txt"}));
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
