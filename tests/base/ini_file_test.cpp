#include "base/ini_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using Strings = std::vector<std::string>;

class IniFileTest : public ::testing::Test {
 protected:
  IniFile Ini() const { return IniFile(m_dir.FilePath("test.ini")); }
  void Write(std::string_view bytes) { m_dir.WriteFile("test.ini", bytes); }
  std::string Contents() const { return m_dir.ReadFile("test.ini"); }

  TempDir m_dir;
};

TEST_F(IniFileTest, MatchesNamesWithoutRegardToCase) {
  Write("[Chat]\r\nMaxMessageSize=7000\r\n[\xcd\xe8\xea]\r\n\xea\xeb\xfe\xf7=1\r\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("chat", "maxmessagesize", ""), "7000");
  EXPECT_EQ(ini.ReadString("CHAT", "MAXMESSAGESIZE", ""), "7000");
  // Cyrillic: section "Ник" read as "НИК", key "ключ" as "КЛЮЧ".
  EXPECT_EQ(ini.ReadString(W("НИК"), W("КЛЮЧ"), "none"), "1");
  EXPECT_EQ(ini.ReadString(W("ник"), W("Ключ"), "none"), "1");
  EXPECT_EQ(ini.ReadString(W("Нет"), W("ключ"), "none"), "none");
  // Ё and ё lie 16 apart in the code page, not 32 as the other letters.
  ASSERT_TRUE(ini.WriteString(W("Ёлка"), "x", "1"));
  EXPECT_EQ(ini.ReadString(W("ёЛКА"), "X", ""), "1");
  EXPECT_EQ(ini.ReadString(W("еЛКА"), "X", "none"), "none");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyWin) {
  Write("[a]\r\nk=1\r\nK=2\r\n[b]\r\nx=3\r\n[A]\r\nk=4\r\nonly=5\r\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("a", "k", ""), "1");
  // Lookups stay in the first matching section.
  EXPECT_EQ(ini.ReadString("a", "only", "def"), "def");
  EXPECT_FALSE(ini.ValueExists("a", "only"));
  EXPECT_TRUE(ini.ValueExists("A", "K"));
  // Writes go to the first key of the first section.
  ASSERT_TRUE(ini.WriteString("A", "K", "9"));
  EXPECT_EQ(Contents(), "[a]\r\nk=9\r\nK=2\r\n[b]\r\nx=3\r\n[A]\r\nk=4\r\nonly=5\r\n");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("s", "k", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("s", "k", 42), 42);
  EXPECT_TRUE(ini.ReadBool("s", "k", true));
  EXPECT_FALSE(ini.SectionExists("s"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_FALSE(m_dir.Exists("test.ini"));  // reading creates nothing

  Write("[s]\nother=1\n");
  EXPECT_EQ(ini.ReadString("s", "k", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("t", "other", "dflt"), "dflt");
}

TEST_F(IniFileTest, TrimsBlanksAndStripsOnePairOfQuotes) {
  Write("  [ s ]  \n  key  =  value with  blanks \t\n"
        "q1=\"quoted\"\nq2='single'\nq3=\"\"x\"\"\nq4=\"half\nq5=a \"b\" c\n"
        "q6=\"mixed'\nempty=\nq7=\"\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("s", "key", ""), "value with  blanks");
  EXPECT_EQ(ini.ReadString(" s ", " key ", ""), "value with  blanks");
  EXPECT_EQ(ini.ReadString("s", "q1", ""), "quoted");
  EXPECT_EQ(ini.ReadString("s", "q2", ""), "single");
  EXPECT_EQ(ini.ReadString("s", "q3", ""), "\"x\"");
  EXPECT_EQ(ini.ReadString("s", "q4", ""), "\"half");
  EXPECT_EQ(ini.ReadString("s", "q5", ""), "a \"b\" c");
  EXPECT_EQ(ini.ReadString("s", "q6", ""), "\"mixed'");
  EXPECT_EQ(ini.ReadString("s", "q7", ""), "\"");
  // An empty value exists and is not the default.
  EXPECT_EQ(ini.ReadString("s", "empty", "dflt"), "");
  EXPECT_TRUE(ini.ValueExists("s", "empty"));
}

TEST_F(IniFileTest, CommentsAndLinesWithoutEqualsTakeNoPartInLookups) {
  Write("[s]\n;k=commented\nk\n  ; also=comment\nk=real\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("s", "k", ""), "real");
  EXPECT_EQ(ini.ReadString("s", ";k", "none"), "none");
  EXPECT_EQ(ini.ReadSection("s"), Strings{"k"});
}

TEST_F(IniFileTest, ReadsIntegersLikeStrToIntDef) {
  Write("[n]\na=123\nb=-45\nc=+7\nd= 12 \ne=$1F\nf=0x10\ng=0XfF\nh=12abc\n"
        "i=\nj=abc\nk=1.5\nl=$\nm=0x\nbig=9223372036854775807\n"
        "over=9223372036854775808\nmin=-9223372036854775808\nq=\"5\"\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadInteger("n", "a", 0), 123);
  EXPECT_EQ(ini.ReadInteger("n", "b", 0), -45);
  EXPECT_EQ(ini.ReadInteger("n", "c", 0), 7);
  EXPECT_EQ(ini.ReadInteger("n", "d", 0), 12);
  EXPECT_EQ(ini.ReadInteger("n", "e", 0), 31);
  EXPECT_EQ(ini.ReadInteger("n", "f", 0), 16);
  EXPECT_EQ(ini.ReadInteger("n", "g", 0), 255);
  EXPECT_EQ(ini.ReadInteger("n", "q", 0), 5);
  for (const char* bad : {"h", "i", "j", "k", "l", "m", "over", "missing"}) {
    EXPECT_EQ(ini.ReadInteger("n", bad, -1), -1) << bad;
  }
  EXPECT_EQ(ini.ReadInteger("n", "big", 0), 9223372036854775807LL);
  EXPECT_EQ(ini.ReadInteger("n", "min", 0), -9223372036854775807LL - 1);
}

TEST_F(IniFileTest, BooleansAreIntegers) {
  Write("[b]\non=1\noff=0\ntwo=2\nword=true\n");
  IniFile ini = Ini();
  EXPECT_TRUE(ini.ReadBool("b", "on", false));
  EXPECT_FALSE(ini.ReadBool("b", "off", true));
  EXPECT_TRUE(ini.ReadBool("b", "two", false));
  // Not a number: the default, as Delphi reads it.
  EXPECT_TRUE(ini.ReadBool("b", "word", true));
  EXPECT_FALSE(ini.ReadBool("b", "word", false));
  ASSERT_TRUE(ini.WriteBool("b", "on", false));
  ASSERT_TRUE(ini.WriteBool("b", "new", true));
  EXPECT_EQ(Contents(), "[b]\r\non=0\r\noff=0\r\ntwo=2\r\nword=true\r\nnew=1\r\n");
}

TEST_F(IniFileTest, RewritePreservesEverythingElseAndWritesCrLf) {
  Write("; top comment\n[one]\na=1\nstray text\n\n; section two follows\n"
        "[two]\r\nKey = old value \r\nb=\xe9\xf6\xf3\r\n");
  IniFile ini = Ini();
  ASSERT_TRUE(ini.WriteString("TWO", "key", "new"));
  // The existing spelling of the key stays; other bytes are untouched.
  EXPECT_EQ(Contents(),
            "; top comment\r\n[one]\r\na=1\r\nstray text\r\n\r\n; section two follows\r\n"
            "[two]\r\nKey=new\r\nb=\xe9\xf6\xf3\r\n");
  EXPECT_EQ(ini.ReadString("two", "b", ""), "\xe9\xf6\xf3");
}

TEST_F(IniFileTest, AppendsAKeyAtTheEndOfItsSection) {
  Write("[one]\r\na=1\r\n\r\n\r\n[two]\r\nb=2\r\n");
  IniFile ini = Ini();
  ASSERT_TRUE(ini.WriteString("one", "c", "3"));
  ASSERT_TRUE(ini.WriteString("two", "d", "4"));
  EXPECT_EQ(Contents(), "[one]\r\na=1\r\nc=3\r\n\r\n\r\n[two]\r\nb=2\r\nd=4\r\n");

  Write("[empty]\r\n\r\n[next]\r\n");
  ASSERT_TRUE(ini.WriteString("empty", "k", "v"));
  EXPECT_EQ(Contents(), "[empty]\r\nk=v\r\n\r\n[next]\r\n");
}

TEST_F(IniFileTest, CreatesTheFileAndAppendsNewSections) {
  IniFile ini = Ini();
  ASSERT_TRUE(ini.WriteString("BanList", "host1", "31.12.2026 23:59:00"));
  EXPECT_EQ(Contents(), "[BanList]\r\nhost1=31.12.2026 23:59:00\r\n");
  ASSERT_TRUE(ini.WriteInteger("Stat", "Count", -12));
  EXPECT_EQ(Contents(),
            "[BanList]\r\nhost1=31.12.2026 23:59:00\r\n[Stat]\r\nCount=-12\r\n");
  EXPECT_EQ(ini.ReadInteger("stat", "count", 0), -12);

  // A last line without its line end gets one before the new section.
  Write("[a]\nx=1");
  ASSERT_TRUE(ini.WriteString("b", "y", "2"));
  EXPECT_EQ(Contents(), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
  EXPECT_EQ(m_dir.List(), Strings{"test.ini"});
}

TEST_F(IniFileTest, SeveralObjectsOnOneFileSeeEachOthersWrites) {
  IniFile first = Ini();
  IniFile second = Ini();
  ASSERT_TRUE(first.WriteString("s", "k", "1"));
  EXPECT_EQ(second.ReadString("s", "k", ""), "1");
  ASSERT_TRUE(second.WriteString("s", "k", "2"));
  EXPECT_EQ(first.ReadString("s", "k", ""), "2");
}

TEST_F(IniFileTest, DeletesKeysAndSections) {
  Write("[a]\r\nx=1\r\ny=2\r\n[b]\r\n;note\r\nz=3\r\n[A]\r\nw=4\r\n[c]\r\nv=5\r\n");
  IniFile ini = Ini();
  EXPECT_TRUE(ini.DeleteKey("A", "X"));
  EXPECT_FALSE(ini.DeleteKey("a", "x"));
  EXPECT_FALSE(ini.DeleteKey("nosuch", "x"));
  EXPECT_EQ(Contents(), "[a]\r\ny=2\r\n[b]\r\n;note\r\nz=3\r\n[A]\r\nw=4\r\n[c]\r\nv=5\r\n");

  // Every section of the name goes, with its comments and keys.
  EXPECT_TRUE(ini.EraseSection("a"));
  EXPECT_EQ(Contents(), "[b]\r\n;note\r\nz=3\r\n[c]\r\nv=5\r\n");
  EXPECT_FALSE(ini.EraseSection("a"));
  EXPECT_EQ(ini.ReadString("a", "w", "gone"), "gone");
}

TEST_F(IniFileTest, ListsSectionsAndKeysInFileOrder) {
  Write("[Zeta]\nb=2\na=1\nB=3\n;c=4\nd\n[alpha]\n[ZETA]\ne=5\n[Mid]\nk='v'\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadSections(), (Strings{"Zeta", "alpha", "Mid"}));
  EXPECT_EQ(ini.ReadSection("zeta"), (Strings{"b", "a"}));
  EXPECT_EQ(ini.ReadSectionValues("zeta"),
            (std::vector<std::pair<std::string, std::string>>{{"b", "2"}, {"a", "1"}}));
  EXPECT_EQ(ini.ReadSectionValues("mid"),
            (std::vector<std::pair<std::string, std::string>>{{"k", "v"}}));
  EXPECT_TRUE(ini.ReadSection("nosuch").empty());
  // A header without keys does not count as an existing section.
  EXPECT_TRUE(ini.SectionExists("ZETA"));
  EXPECT_FALSE(ini.SectionExists("alpha"));
}

TEST_F(IniFileTest, RefusesNamesThatWouldBreakTheFile) {
  const std::string original = "[s]\nk=1\n";
  Write(original);
  IniFile ini = Ini();
  EXPECT_FALSE(ini.WriteString("s\r\n[x]", "k", "v"));
  EXPECT_FALSE(ini.WriteString("s]", "k", "v"));
  EXPECT_FALSE(ini.WriteString("s", "a=b", "v"));
  EXPECT_FALSE(ini.WriteString("s", "[x]", "v"));
  EXPECT_FALSE(ini.WriteString("s", ";x", "v"));
  EXPECT_FALSE(ini.WriteString("s", " ;x", "v"));
  EXPECT_FALSE(ini.WriteString("s", "", "v"));
  EXPECT_FALSE(ini.WriteString("s", "  ", "v"));
  EXPECT_FALSE(ini.WriteString("s", "k\nx", "v"));
  EXPECT_FALSE(ini.WriteString("s", "k", "v\r\n[evil]"));
  EXPECT_FALSE(ini.WriteString("s", "k", "v\rx"));
  EXPECT_FALSE(ini.WriteInteger("new\n", "k", 1));
  EXPECT_EQ(Contents(), original);
  EXPECT_EQ(m_dir.List(), Strings{"test.ini"});
}

TEST_F(IniFileTest, NetworkNamesThatAreSafeRoundTrip) {
  IniFile ini = Ini();
  // A nick with Cyrillic letters, brackets inside and a "]" in the key.
  const std::string nick = W("Вася[a]");
  ASSERT_TRUE(ini.WriteInteger("users", nick, 7));
  ASSERT_TRUE(ini.WriteString("HOST-1", "key]", "a=b;c"));
  EXPECT_EQ(ini.ReadInteger("USERS", W("ВАСЯ[A]"), 0), 7);
  EXPECT_EQ(ini.ReadString("host-1", "KEY]", ""), "a=b;c");
}

TEST_F(IniFileTest, BanListKeyIsTheTextBeforeTheFirstEquals) {
  Write("[BanList]\r\nPC-7=01.01.2027 10:00:00\r\nPC=8=02.01.2027 11:00:00\r\n");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("BanList", "pc-7", ""), "01.01.2027 10:00:00");
  EXPECT_EQ(ini.ReadString("BanList", "PC", ""), "8=02.01.2027 11:00:00");
  EXPECT_TRUE(ini.DeleteKey("BanList", "PC-7"));
  EXPECT_EQ(Contents(), "[BanList]\r\nPC=8=02.01.2027 11:00:00\r\n");
}

TEST_F(IniFileTest, UnreadableFileIsNotOverwritten) {
  // A directory in place of the file: reads give defaults, writes fail.
  m_dir.WriteFile("test.ini/inner", "x");
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadString("s", "k", "d"), "d");
  EXPECT_FALSE(ini.WriteString("s", "k", "v"));
  EXPECT_FALSE(ini.DeleteKey("s", "k"));
  EXPECT_FALSE(ini.EraseSection("s"));
  EXPECT_EQ(m_dir.ReadFile("test.ini/inner"), "x");
}

}  // namespace
}  // namespace pelmo
