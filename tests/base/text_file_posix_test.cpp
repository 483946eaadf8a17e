// File modes are Linux's; Windows files take their folder's rights.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

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

}  // namespace
}  // namespace pelmo
