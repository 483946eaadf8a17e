// The folder check where the system itself matches names byte for byte
// and keeps rights apart: names found only when case is ignored, and files
// the bot's user cannot write.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "fakes/temp_dir.h"
#include "program/folder_check.h"

namespace pelmo {
namespace {

int FindingsWith(const FolderReport& report, bool problem, const std::string& part) {
  int n = 0;
  for (const FolderReport::Finding& f : report.findings) {
    n += f.problem == problem && f.text.find(part) != std::string::npos;
  }
  return n;
}

TEST(FolderCheckPosix, NamesInAnotherCaseAreNotedWithTheirNameOnDisk) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  dir.WriteFile("botfile/Questions.txt", "q|a\r\n");
  dir.WriteFile("BOTFILE2/Rules.TXT", "rules");
  dir.WriteFile("extcmds.ini", "Rules=botfile2\\rules.txt\r\n");
  const FolderReport report = CheckWorkFolder(dir.Path(), "");
  const std::string text = FormatFolderReport(report);
  EXPECT_EQ(report.Problems(), 0) << text;
  EXPECT_EQ(FindingsWith(report, false, "botfile/questions.txt is botfile/Questions.txt on disk: "
                                        "found only when the case of letters is ignored"),
            1) << text;
  EXPECT_EQ(FindingsWith(report, false, "\"Rules\": botfile2\\rules.txt is BOTFILE2/Rules.TXT"),
            1) << text;
}

TEST(FolderCheckPosix, FilesTheBotCannotWriteAreProblems) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  dir.WriteFile("botfile/seen.txt", "");
  ASSERT_EQ(::chmod(dir.FilePath("botfile/seen.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.FilePath("botfile").c_str(), 0555), 0);
  const FolderReport report = CheckWorkFolder(dir.Path(), "");
  ::chmod(dir.FilePath("botfile").c_str(), 0755);
  EXPECT_EQ(FindingsWith(report, true, "botfile/seen.txt cannot be written by this user"), 1);
  EXPECT_EQ(FindingsWith(report, true, "botfile cannot be written by this user"), 1);
  EXPECT_EQ(report.Problems(), 2) << FormatFolderReport(report);
}

}  // namespace
}  // namespace pelmo
