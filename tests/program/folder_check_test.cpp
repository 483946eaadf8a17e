#include "program/folder_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "base/cp1251.h"
#include "base/dir_listing.h"
#include "base/text_file.h"
#include "fakes/temp_dir.h"
#include "services/jokes.h"

namespace pelmo {
namespace {

// Every file below dir with its bytes: what the check must leave as it is.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListDirectory(dir)) {
    const std::string path = JoinPath(dir, name);
    if (DirectoryExists(path)) {
      for (auto& [inner, bytes] : Snapshot(path)) files[name + "/" + inner] = std::move(bytes);
    } else {
      files[name] = ReadWholeFile(path).value_or("?");
    }
  }
  return files;
}

// A box as another installation writes it (see the box format).
std::string ForeignBox(const std::string& text, std::uint32_t seed) {
  std::string file = text;
  std::uint32_t state = seed;
  for (char& c : file) {
    state = state * 134775813u + 1u;
    c = static_cast<char>(static_cast<unsigned char>(c) ^
                          static_cast<unsigned>((std::uint64_t{state} * 255u) >> 32));
  }
  return file + std::string("a\0\0\0", 4);
}

int FindingsWith(const FolderReport& report, bool problem, const std::string& part) {
  int n = 0;
  for (const FolderReport::Finding& f : report.findings) {
    n += f.problem == problem && f.text.find(part) != std::string::npos;
  }
  return n;
}

long long CountOf(const FolderReport& report, const std::string& what) {
  for (const FolderReport::Count& count : report.counts) {
    if (count.what == what) return count.n;
  }
  return -1;
}

TEST(FolderCheck, TheShippedFolderWorksAndHasSomethingOfEach) {
  const std::string shipped = std::string(PELMO_SOURCE_DIR) + "/dist/workdir";
  const auto before = Snapshot(shipped);
  const FolderReport report = CheckWorkFolder(shipped, "");
  EXPECT_EQ(report.Problems(), 0) << FormatFolderReport(report);
  for (const char* what : {"anecdotes", "aphorisms", "quiz questions", "news", "chatterbox pairs",
                           "birthdays", "external commands"}) {
    EXPECT_GT(CountOf(report, what), 0) << what;
  }
  EXPECT_NE(FormatFolderReport(report).find("The folder will work."), std::string::npos);
  EXPECT_EQ(Snapshot(shipped), before);
}

// Values the bot reads but cannot work with, checked by the same rules as
// the settings page's save; only the address of the mode counts.
TEST(FolderCheck, NetworkValuesOutsideWhatWorksAreProblems) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nport=0\r\nttl=300\r\nnetaddr=10.1.1.1\r\n"
                           "IpBroadcast=234.0.0.1\r\n[socket]\r\nMultiCast=1\r\n");
  FolderReport report = CheckWorkFolder(dir.Path(), "");
  std::string text = FormatFolderReport(report);
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] netaddr=\"10.1.1.1\" is no multicast group"),
            1) << text;
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] port=\"0\" is outside 1-65535"), 1) << text;
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] ttl=\"300\" is outside 0-255: the nearest"),
            1) << text;
  EXPECT_EQ(FindingsWith(report, true, "IpBroadcast"), 0) << text;

  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nnetaddr=10.1.1.1\r\n"
                           "IpBroadcast=234.0.0.1\r\n[socket]\r\nMultiCast=0\r\n");
  report = CheckWorkFolder(dir.Path(), "");
  text = FormatFolderReport(report);
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] IpBroadcast=\"234.0.0.1\" is no broadcast "
                                       "address"), 1) << text;
  EXPECT_EQ(FindingsWith(report, true, "netaddr"), 0) << text;
}

TEST(FolderCheck, ABrokenFolderHasEachProblemNamedAndIsLeftAsItWas) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nport=5o138\r\nnetaddr=234.0.0\r\n"
                           "[chat]\r\nNick=A\r\n[Chat]\r\nHost=B\r\n");
  dir.WriteFile("botfile/BirthDay.dat", std::string(1000, '\0'));
  dir.WriteFile("user/416E6E", ForeignBox("garbage that is no box text", 7));  // Ann
  dir.WriteFile("user/426F62", ForeignBox(W("Спасибо за регистрацию в нашей системе!"), 99));
  dir.WriteFile("user/4345", "ab");  // CE: too short for a box
  dir.WriteFile("botfile/Rules.TXT", "rules");
  dir.WriteFile("extcmds.ini", "Rules=botfile\\rules.txt\r\nGone=botfile\\gone.txt\r\n"
                               "Out=..\\x.txt\r\nEmpty=\r\n");
  // "Привет" in UTF-8: read-only help, and the seen list the bot rewrites.
  dir.WriteFile("botfile/help.txt", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n");
  dir.WriteFile("botfile/seen.txt", "\xD0\x9F\xD1\x80\xD0\xB8|x\r\n");
  dir.WriteFile("botfile/Questions.txt", "q1|a\r\nq2|b\r\nbad line\r\n");
  std::string separator;
  for (int i = 0; i < 34; ++i) separator += "=+";
  dir.WriteFile("botfile/anecdot.txt", "one\r\n" + separator + "\r\ntwo\r\n" + separator + "\r\n");
  const auto before = Snapshot(dir.Path());

  const FolderReport report = CheckWorkFolder(dir.Path(), "");
  const std::string text = FormatFolderReport(report);
  EXPECT_EQ(report.Problems(), 9) << text;
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] port=\"5o138\" cannot be read as a number"),
            1) << text;
  EXPECT_EQ(FindingsWith(report, true, "Net.ini [net] netaddr=\"234.0.0\" cannot be read as an "
                                       "address"), 1) << text;
  EXPECT_EQ(FindingsWith(report, true, "Net.ini: section [chat] appears more than once"), 1);
  EXPECT_EQ(FindingsWith(report, true, "botfile/BirthDay.dat is 1000 bytes, not 134148"), 1);
  EXPECT_EQ(FindingsWith(report, true, "user/416E6E (Ann): no mask seed opens it"), 1);
  EXPECT_EQ(FindingsWith(report, true, "user/4345 (CE) is shorter than a box"), 1);
  EXPECT_EQ(FindingsWith(report, true, "\"Gone\": its file botfile\\gone.txt is missing"), 1);
  EXPECT_EQ(FindingsWith(report, true, "\"Out\": ..\\x.txt is refused"), 1);
  EXPECT_EQ(FindingsWith(report, true, "\"Empty\" names no file"), 1);

  EXPECT_EQ(FindingsWith(report, false, "user/426F62 (Bob) was written by another installation "
                                        "(mask seed 99)"), 1) << text;
  EXPECT_EQ(FindingsWith(report, false, "botfile/help.txt is UTF-8: the bot reads it"), 1);
  // Keyed by nicks as packets carry them: never converted.
  EXPECT_EQ(FindingsWith(report, false, "botfile/seen.txt is UTF-8"), 0);
  EXPECT_EQ(FindingsWith(report, false, "botfile/log.txt is missing: it is created empty"), 1);

  EXPECT_EQ(CountOf(report, "quiz questions"), 2);
  // A file that ends with the separator yields an empty last anecdote.
  EXPECT_EQ(CountOf(report, "anecdotes"), 3);
  EXPECT_EQ(CountOf(report, "message boxes"), 3);
  EXPECT_EQ(CountOf(report, "external commands"), 4);
  EXPECT_NE(text.find("9 problem(s)"), std::string::npos);
  EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(FolderCheck, ABotfileThatIsAFileAndBlankAdministratorLines) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  dir.WriteFile("botfile", "not a folder");
  const FolderReport report = CheckWorkFolder(dir.Path(), "");
  EXPECT_EQ(FindingsWith(report, true, "botfile is not a folder"), 1) << FormatFolderReport(report);
  EXPECT_EQ(FormatFolderReport(report).find("The folder will work."), std::string::npos);

  TempDir other;
  other.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  other.WriteFile("botfile/admin.txt", "boss#pc1\r\n\r\n#\r\n \r\n");
  ASSERT_TRUE(CreateDirectory(other.FilePath("botfile/stat.ini")));
  const FolderReport second = CheckWorkFolder(other.Path(), "");
  EXPECT_EQ(CountOf(second, "administrators"), 1);
  EXPECT_EQ(FindingsWith(second, true, "botfile/stat.ini cannot be read: statistics and notes are "
                                       "unavailable"), 1) << FormatFolderReport(second);
}

// Stores at or past their bounds are named, as notes: the bot works with
// them, refusing additions or dropping what is beyond.
TEST(FolderCheck, StoresPastTheirBoundsAreNamed) {
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  std::string anecdotes;
  const std::string one = "\r\n" + std::string(1000, 'a') + "\r\n" + AnecdoteSeparator() + "\r\n";
  while (anecdotes.size() < 16u * 1024 * 1024) anecdotes += one;
  dir.WriteFile("botfile/anecdot.txt", anecdotes);
  dir.WriteFile("user/41", ForeignBox(W("Спасибо за регистрацию в нашей системе!") +
                                          std::string(1100000, 'x'), 0x50454C4D));  // ours
  std::string stat;
  for (int i = 0; i < 10001; ++i) stat += "[H" + std::to_string(i) + "]\r\nTotal=1\r\n";
  dir.WriteFile("botfile/stat.ini", stat);
  const FolderReport report = CheckWorkFolder(dir.Path(), "");
  const std::string text = FormatFolderReport(report);
  EXPECT_EQ(FindingsWith(report, false, "botfile/anecdot.txt is 16" ), 1) << text;
  EXPECT_EQ(FindingsWith(report, false, "\"!add\" is refused until it is smaller"), 1) << text;
  EXPECT_EQ(FindingsWith(report, false, "user/41 (A) is 1100043 bytes, past the 1 MB"), 1) << text;
  EXPECT_EQ(FindingsWith(report, false, "has 10001 hosts, more than the 10000 the bot keeps: "
                                        "at start it drops the first 1 in the file"), 1) << text;
  EXPECT_EQ(report.Problems(), 0) << text;
}

TEST(FolderCheck, NoFolderIsAProblem) {
  TempDir dir;
  const FolderReport report = CheckWorkFolder(dir.FilePath("none"), "");
  EXPECT_EQ(report.Problems(), 1);
}

}  // namespace
}  // namespace pelmo
