#include "core/admins.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp1251.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

TEST(Admins, SplitsEachLineAtItsFirstHash) {
  TempDir dir;
  dir.WriteFile("admin.txt", "boss#pc1\r\nodd#pc#2\r\nnohash\nempty#\r\n#hostonly\r\n");
  std::vector<AdminEntry> admins = LoadAdmins(dir.FilePath("admin.txt"));
  ASSERT_EQ(admins.size(), 5u);
  EXPECT_EQ(admins[0].Nick, "boss");
  EXPECT_EQ(admins[0].CompName, "pc1");
  EXPECT_EQ(admins[1].Nick, "odd");
  EXPECT_EQ(admins[1].CompName, "pc#2");
  EXPECT_EQ(admins[2].Nick, "");
  EXPECT_EQ(admins[2].CompName, "nohash");
  EXPECT_EQ(admins[3].Nick, "empty");
  EXPECT_EQ(admins[3].CompName, "");
  EXPECT_EQ(admins[4].Nick, "");
  EXPECT_EQ(admins[4].CompName, "hostonly");
}

TEST(Admins, ReadsAndWritesAtMostAThousandRows) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 1005; ++i) text += "n" + std::to_string(i) + "#h\r\n";
  dir.WriteFile("admin.txt", text);
  std::vector<AdminEntry> admins = LoadAdmins(dir.FilePath("admin.txt"));
  ASSERT_EQ(admins.size(), 1000u);
  EXPECT_EQ(admins.back().Nick, "n999");

  admins.push_back({"extra", "h"});
  SaveAdmins(dir.FilePath("out.txt"), admins);
  std::vector<AdminEntry> again = LoadAdmins(dir.FilePath("out.txt"));
  ASSERT_EQ(again.size(), 1000u);
  EXPECT_EQ(again.back().Nick, "n999");
}

TEST(Admins, SavesOneCrLfLinePerRowAndMissingFileIsEmpty) {
  TempDir dir;
  EXPECT_TRUE(LoadAdmins(dir.FilePath("admin.txt")).empty());
  SaveAdmins(dir.FilePath("admin.txt"), {{W("Вася"), "PC-1"}, {"", "bare"}});
  EXPECT_EQ(dir.ReadFile("admin.txt"), W("Вася") + "#PC-1\r\n#bare\r\n");
  SaveAdmins(dir.FilePath("admin.txt"), {});
  EXPECT_EQ(dir.ReadFile("admin.txt"), "");
}

TEST(Admins, IsAdminNeedsNickAndHostOfOneRowByteExact) {
  const std::vector<AdminEntry> admins = {{"boss", "pc1"}, {"mod", "pc2"}};
  EXPECT_TRUE(IsAdmin(admins, "boss", "pc1"));
  EXPECT_TRUE(IsAdmin(admins, "mod", "pc2"));
  EXPECT_FALSE(IsAdmin(admins, "boss", "pc2"));  // host of another row
  EXPECT_FALSE(IsAdmin(admins, "Boss", "pc1"));
  EXPECT_FALSE(IsAdmin(admins, "boss", "PC1"));
  EXPECT_FALSE(IsAdmin(admins, "boss ", "pc1"));
  EXPECT_FALSE(IsAdmin({}, "", ""));
}

TEST(Admins, BlankAndHashOnlyLinesMakeNobodyAnAdministrator) {
  TempDir dir;
  dir.WriteFile("admin.txt", "boss#pc1\r\n\r\n#\r\n \r\n# \r\n");
  const std::vector<AdminEntry> admins = LoadAdmins(dir.FilePath("admin.txt"));
  // A sender with no nick and no host (or blanks) ran "!ban" through them.
  EXPECT_FALSE(IsAdmin(admins, "", ""));
  EXPECT_FALSE(IsAdmin(admins, "", " "));
  EXPECT_FALSE(IsAdmin(admins, " ", ""));
  EXPECT_TRUE(IsAdmin(admins, "boss", "pc1"));
  // One name alone is still a row's business: a line without "#" names a
  // host, "boss#" a nick without a host.
  EXPECT_TRUE(IsAdmin({{"", "hostonly"}, {"nickonly", ""}}, "", "hostonly"));
  EXPECT_TRUE(IsAdmin({{"", "hostonly"}, {"nickonly", ""}}, "nickonly", ""));
}

}  // namespace
}  // namespace pelmo
