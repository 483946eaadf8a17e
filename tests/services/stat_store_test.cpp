#include "services/stat_store.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/manual_event_loop.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

class StatStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  ManualEventLoop loop;
  StatStore store{dir.FilePath("stat.ini"), loop};
};

TEST_F(StatStoreTest, KeepsTheFileAsItWasAroundAChange) {
  const std::string before =
      "; kept\r\n[PC1]\r\nTotal = 5\r\nstray line\r\ntotal=9\r\n\r\n[pc1]\r\nTotal=7\r\n"
      "[" + W("ПК") + "]\r\nUser-" + W("Вася") + "=1\r\n";
  dir.WriteFile("stat.ini", before);
  // The first section and key of a name win, case ignored (Cyrillic too).
  EXPECT_EQ(store.ReadInteger("pc1", "TOTAL", 0), 5);
  EXPECT_EQ(store.ReadInteger(W("пк"), W("user-ВАСЯ"), 0), 1);
  EXPECT_EQ(store.Sections(), (std::vector<std::string>{"PC1", W("ПК")}));
  EXPECT_EQ(store.SectionValues("PC1"),
            (std::vector<std::pair<std::string, std::string>>{{"Total", "5"}}));
  ASSERT_TRUE(store.AddInteger("PC1", "total", 1));
  ASSERT_TRUE(store.WriteString("PC2", "Message-1", "\"quoted\""));
  store.Flush();
  EXPECT_EQ(dir.ReadFile("stat.ini"),
            "; kept\r\n[PC1]\r\nTotal=6\r\nstray line\r\ntotal=9\r\n\r\n[pc1]\r\nTotal=7\r\n"
            "[" + W("ПК") + "]\r\nUser-" + W("Вася") + "=1\r\n[PC2]\r\nMessage-1=\"quoted\"\r\n");
  EXPECT_EQ(store.ReadString("PC2", "Message-1", ""), "quoted");  // as the profile reader
  // Without the first key the repeated one is seen, as the profile API does.
  EXPECT_TRUE(store.DeleteKey("PC1", "TOTAL"));
  EXPECT_EQ(store.ReadInteger("PC1", "Total", 0), 9);
  EXPECT_TRUE(store.DeleteKey("PC1", "Total"));
  EXPECT_FALSE(store.DeleteKey("PC1", "Total"));
}

TEST_F(StatStoreTest, RefusesNamesAndValuesThatWouldNotReadBack) {
  for (const std::string& section :
       {std::string(), std::string("A]"), std::string("A\r"), std::string("A\nB"), std::string(" A"),
        std::string("A "), std::string("A\0", 2)}) {
    EXPECT_FALSE(store.WriteString(section, "Total", "1")) << section;
  }
  for (const std::string& key : {std::string(), std::string("a=b"), std::string("[a"),
                                 std::string(";a"), std::string("a\n"), std::string("\ta")}) {
    EXPECT_FALSE(store.WriteString("PC1", key, "1")) << key;
  }
  EXPECT_FALSE(store.WriteString("PC1", "Total", "1\r\n[PC2]"));
  EXPECT_FALSE(store.Dirty());
  EXPECT_EQ(loop.ActiveTimers(), 0u);
  EXPECT_TRUE(store.WriteString("P=C [1", "a]b", "x"));
  store.Flush();
  StatStore again(dir.FilePath("stat.ini"), loop);
  EXPECT_EQ(again.ReadString("P=C [1", "a]b", ""), "x");
}

TEST_F(StatStoreTest, OneRewriteASecondAndNoneWhenIdle) {
  store.AddInteger("PC1", "Total", 1);
  store.AddInteger("PC1", "Total", 1);
  EXPECT_EQ(loop.ActiveTimers(), 1u);
  EXPECT_FALSE(dir.Exists("stat.ini"));
  loop.Advance(1000ms);
  EXPECT_EQ(dir.ReadFile("stat.ini"), "[PC1]\r\nTotal=2\r\n");
  EXPECT_EQ(loop.ActiveTimers(), 0u);
  EXPECT_FALSE(store.Dirty());
  // Only the file itself is left: the temporary one was renamed.
  EXPECT_EQ(dir.List(), std::vector<std::string>{"stat.ini"});
}

// At most 10 000 hosts: a new one takes the place of the host counted
// least recently, in memory and in the file, which then loads as it was
// written.
TEST_F(StatStoreTest, HostsAreBoundedLeastRecentlyCountedFirst) {
  dir.WriteFile("stat.ini", "[Old]\r\nMessage-1=keep?\r\n[Kept]\r\nTotal=5\r\n");
  for (int i = 0; i < 9998; ++i) store.AddInteger("H" + std::to_string(i), "Total", 1);
  store.AddInteger("Old", "Total", 1);  // counted now: Kept is the least recent
  store.AddInteger("New1", "Total", 1);
  EXPECT_FALSE(store.SectionExists("Kept"));
  EXPECT_TRUE(store.SectionExists("Old"));
  store.AddInteger("New2", "Total", 1);
  EXPECT_FALSE(store.SectionExists("H0"));
  EXPECT_TRUE(store.SectionExists("H1"));
  EXPECT_EQ(store.Sections().size(), 10000u);
  store.Flush();
  const std::string file = dir.ReadFile("stat.ini");
  EXPECT_EQ(file.rfind("[Old]\r\nMessage-1=keep?\r\nTotal=1\r\n[H1]\r\nTotal=1\r\n", 0), 0u);
  EXPECT_EQ(file.find("[Kept]"), std::string::npos);

  StatStore again{dir.FilePath("stat.ini"), loop};
  EXPECT_EQ(again.Sections().size(), 10000u);
  EXPECT_EQ(again.ReadInteger("New2", "Total", 0), 1);
  again.AddInteger("New3", "Total", 1);  // the first in the file goes
  EXPECT_FALSE(again.SectionExists("Old"));
}

// Counting adds no key beyond 200 000 in the file; those there count on.
TEST_F(StatStoreTest, KeysAreBounded) {
  std::string file = "[PC1]\r\n";
  for (int i = 0; i < 199999; ++i) file += "User-n" + std::to_string(i) + "=1\r\n";
  dir.WriteFile("stat.ini", file);
  EXPECT_TRUE(store.AddInteger("PC1", "Total", 5));
  EXPECT_FALSE(store.AddInteger("PC1", "User-new", 5));
  EXPECT_FALSE(store.ValueExists("PC1", "User-new"));
  EXPECT_TRUE(store.AddInteger("PC1", "User-n7", 5));
  EXPECT_EQ(store.ReadInteger("PC1", "User-n7", 0), 6);
}

TEST_F(StatStoreTest, AnUnreadableFileIsNeverReplaced) {
  // A folder where the file should be: it exists and cannot be read.
  ASSERT_TRUE(CreateDirectory(dir.FilePath("stat.ini")));
  EXPECT_THROW(store.AddInteger("PC1", "Total", 1), FileError);
  EXPECT_FALSE(store.Dirty());
  store.FlushQuietly();
  EXPECT_TRUE(dir.Exists("stat.ini/"));
}

TEST_F(StatStoreTest, ChangesThatCouldNotBeWrittenSurviveAReload) {
  StatStore nested(dir.FilePath("later/stat.ini"), loop);  // its folder is not there yet
  nested.AddInteger("PC1", "Total", 3);
  nested.Reload();
  EXPECT_TRUE(nested.Dirty());
  EXPECT_THROW(nested.Flush(), FileError);
  EXPECT_EQ(nested.ReadInteger("PC1", "Total", 0), 3);
  ASSERT_TRUE(CreateDirectory(dir.FilePath("later")));
  loop.Advance(1000ms);  // the armed rewrite failed; the next change arms another
  nested.AddInteger("PC1", "Total", 1);
  loop.Advance(1000ms);
  EXPECT_EQ(dir.ReadFile("later/stat.ini"), "[PC1]\r\nTotal=4\r\n");
}

}  // namespace
}  // namespace pelmo
