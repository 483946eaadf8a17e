// File modes are Linux's; Windows files take their folder's rights.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using Lines = std::vector<std::string>;

TEST(TextFile, RewriteKeepsTheFileMode) {
  TempDir dir;
  const std::string path = dir.FilePath("data.txt");
  dir.WriteFile("data.txt", "old\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  RewriteLines(path, {"one", "two"});
  EXPECT_EQ(dir.ReadFile("data.txt"), "one\r\ntwo\r\n");
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
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

}  // namespace
}  // namespace pelmo
