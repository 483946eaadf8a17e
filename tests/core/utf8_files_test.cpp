#include "core/utf8_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "core/repeated_sections.h"
#include "core/work_folder.h"
#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

// "Привет" as UTF-8 and as Windows-1251.
const std::string kUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string kCp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";

int LinesWith(const std::vector<std::string>& lines, const std::string& part) {
  int n = 0;
  for (const std::string& line : lines) n += line.find(part) != std::string::npos;
  return n;
}

TEST(Utf8Files, WrittenFilesAreConvertedOnceWithACopyAndReadOnesLeftAsTheyAre) {
  TempDir dir;
  dir.WriteFile("botfile/help.txt", kUtf8 + "\r\n");
  dir.WriteFile("botfile/seen.txt", "Ann" + kUtf8 + "|x\r\n");
  dir.WriteFile("botfile/ANECDOT.TXT", kUtf8 + "\r\n");  // found whatever its case
  dir.WriteFile("others.ini", "\xEF\xBB\xBF[Vic]\r\nChanName=" + kUtf8 + "\r\n");
  dir.WriteFile("botfile/ban.txt", "[BanList]\r\n" + kCp1251 + "=1\r\n");
  dir.WriteFile("botfile/questions.txt", "plain ascii|a\r\n");
  // Windows-1251 whose first 4 KB are ASCII: the whole file is looked at,
  // not its start, so it is left as it is.
  const std::string asciiFirst = std::string(5000, 'a') + "\r\n" + kCp1251 + "\r\n";
  dir.WriteFile("botfile/Aforizm.txt", asciiFirst);
  const WorkFolder folder(dir.Path());

  const std::vector<std::string> lines = PrepareUtf8TextFiles(folder);
  EXPECT_EQ(lines.size(), 2u + 1u) << ::testing::PrintToString(lines);
  // Nicks as packets carried them: the seen list is never converted.
  EXPECT_EQ(dir.ReadFile("botfile/seen.txt"), "Ann" + kUtf8 + "|x\r\n");
  EXPECT_FALSE(dir.Exists("botfile/seen.txt.bak"));
  EXPECT_EQ(dir.ReadFile("others.ini"), "[Vic]\r\nChanName=" + kCp1251 + "\r\n");
  EXPECT_EQ(dir.ReadFile("botfile/ANECDOT.TXT"),
            kCp1251 + "\r\n");
  EXPECT_EQ(LinesWith(lines, W("переведён в Windows-1251 (файл в UTF-8 сохранён как")), 2);
  // Read only: converted in memory by its readers, named here.
  EXPECT_EQ(dir.ReadFile("botfile/help.txt"), kUtf8 + "\r\n");
  EXPECT_FALSE(dir.Exists("botfile/help.txt.bak"));
  EXPECT_EQ(LinesWith(lines, W("help.txt в кодировке UTF-8: прочитан как UTF-8")), 1);
  EXPECT_EQ(dir.ReadFile("botfile/ban.txt"), "[BanList]\r\n" + kCp1251 + "=1\r\n");
  EXPECT_FALSE(dir.Exists("botfile/ban.txt.bak"));
  EXPECT_EQ(dir.ReadFile("botfile/Aforizm.txt"), asciiFirst);
  EXPECT_EQ(ReadTextFile(dir.FilePath("botfile/Aforizm.txt")), asciiFirst);

  // The next start finds nothing left to convert.
  const std::vector<std::string> again = PrepareUtf8TextFiles(folder);
  EXPECT_EQ(again.size(), 1u) << ::testing::PrintToString(again);
}

TEST(RepeatedSections, EachRepeatedSectionOfTheSettingsFilesIsNamed) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n[chat]\r\nNick=A\r\n[Chat]\r\nNick=B\r\n");
  dir.WriteFile("others.ini", "[pogoda]\r\nMin=30\r\n[Pogoda]\r\nURL=http://x/\r\n");
  dir.WriteFile("botfile/defvhod.ini", "[Messages]\r\n");
  const std::vector<std::string> lines = RepeatedSectionLines(WorkFolder(dir.Path()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], dir.FilePath("Net.ini") +
                          ": section [chat] appears more than once; the first is used.");
  EXPECT_EQ(lines[1], dir.FilePath("others.ini") +
                          ": section [pogoda] appears more than once; the first is used.");
}

}  // namespace
}  // namespace pelmo
