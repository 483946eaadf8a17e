#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/text_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

// "Привет" in both code pages, as an editor on each system writes it.
const std::string kUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string kCp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string kMark = "\xEF\xBB\xBF";

TEST(TextEncoding, TellsAnEditorsUtf8FromWindows1251) {
  EXPECT_TRUE(IsUtf8Text(kUtf8));
  EXPECT_TRUE(IsUtf8Text(kMark + "ascii"));
  EXPECT_FALSE(IsUtf8Text(kCp1251));
  // Windows-1251 capitals are lead bytes too; followed by letters they are
  // no UTF-8 ("ПРИВЕТ", "Ёлка").
  EXPECT_FALSE(IsUtf8Text("\xCF\xD0\xC8\xC2\xC5\xD2"));
  EXPECT_FALSE(IsUtf8Text("\xA8\xEB\xEA\xE0"));
  EXPECT_FALSE(IsUtf8Text("plain ascii\r\n"));
  EXPECT_FALSE(IsUtf8Text(""));
  // One stray byte makes the whole file Windows-1251.
  EXPECT_FALSE(IsUtf8Text(kUtf8 + "\xFF"));

  EXPECT_EQ(ToCp1251Text(kUtf8 + "\r\n!"), kCp1251 + "\r\n!");
  EXPECT_EQ(ToCp1251Text(kMark + kUtf8), kCp1251);
  EXPECT_EQ(ToCp1251Text(kCp1251), kCp1251);
  // A character the code page lacks (the euro sign is there, the yen not).
  EXPECT_EQ(ToCp1251Text("\xE2\x82\xAC\xC2\xA5"), "\x88?");
}

TEST(TextEncoding, TextReadersConvertAndByteReadersDoNot) {
  TempDir dir;
  dir.WriteFile("help.txt", kMark + kUtf8 + "\r\nsecond\n");
  EXPECT_EQ(ReadLines(dir.FilePath("help.txt")), (std::vector<std::string>{kCp1251, "second"}));
  EXPECT_EQ(ReadDataLines(dir.FilePath("help.txt")),
            (std::vector<std::string>{kCp1251, "second"}));
  EXPECT_EQ(ReadTextFile(dir.FilePath("help.txt")), kCp1251 + "\r\nsecond\n");
  EXPECT_EQ(ReadWholeFile(dir.FilePath("help.txt")), kMark + kUtf8 + "\r\nsecond\n");

  // A data list that is not there is an empty one; one that cannot be
  // read is not.
  EXPECT_TRUE(ReadDataLines(dir.FilePath("none.txt")).empty());
  EXPECT_TRUE(ReadDataLines(dir.FilePath("nofolder/none.txt")).empty());
  EXPECT_THROW(ReadDataLines(dir.Path()), FileError);
}

TEST(TextEncoding, IniFileReadsUtf8AndWritesWindows1251) {
  TempDir dir;
  dir.WriteFile("defvhod.ini", "[Messages]\r\nEnterMessage0=" + kUtf8 + " %s\r\n");
  IniFile ini(dir.FilePath("defvhod.ini"));
  EXPECT_EQ(ini.ReadString("messages", "entermessage0", ""), kCp1251 + " %s");
  ASSERT_TRUE(ini.WriteString("Messages", "QuitMessage0", "bye"));
  EXPECT_EQ(dir.ReadFile("defvhod.ini"),
            "[Messages]\r\nEnterMessage0=" + kCp1251 + " %s\r\nQuitMessage0=bye\r\n");
}

TEST(TextEncoding, RepeatedSectionsAreNamedOnceInTheirFirstSpelling) {
  TempDir dir;
  dir.WriteFile("others.ini",
                "[pogoda]\r\nAutPogoda=1\r\n[Vic]\r\nChanName=V\r\n[Pogoda]\r\nURL=x\r\n"
                "[POGODA]\r\nMin=1\r\n[\xCD\xE8\xEA]\r\n[\xED\xc8\xca]\r\n");
  EXPECT_EQ(IniFile(dir.FilePath("others.ini")).RepeatedSections(),
            (std::vector<std::string>{"pogoda", "\xCD\xE8\xEA"}));
  dir.WriteFile("Net.ini", "[net]\r\n[chat]\r\n");
  EXPECT_TRUE(IniFile(dir.FilePath("Net.ini")).RepeatedSections().empty());
}

}  // namespace
}  // namespace pelmo
