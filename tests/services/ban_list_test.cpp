#include "services/ban_list.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

class BanListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    // 6 December 2026 18:05:07.
    f.clock.SetNow(DateTimeParts{2026, 12, 6, 18, 5, 7, 0});
  }

  // An operator's edit, a second before the next check, when the bot looks
  // at the file again.
  void WriteBans(const std::string& text) {
    f.dir.WriteFile("botfile/ban.txt", text);
    ASecondLater();
  }
  void ASecondLater() { f.clock.SetTickMs(f.clock.TickMs() + 1000); }
  bool AddBan(const std::string& typed) { return bans.AddBanLine(typed, kAdmin); }
  std::string ReadBans() { return f.dir.ReadFile("botfile/ban.txt"); }

  BotFixture f;
  BanList bans{f.dir.FilePath("botfile/ban.txt"), f.parts().replies, f.clock};
  const std::uint32_t kUser = Loopback(2);
  const std::uint32_t kAdmin = Loopback(5);
  const std::string kListHeading =
      "\r\n\r\n" + std::string(64, ' ') + W("(*)   Бан Лист   (*)\r\n");
  const std::string kBannedHeading =
      "\r\n\r\n" + std::string(64, ' ') + W("(*)   Кто забанен   (*)\r\n");
};

TEST_F(BanListTest, TheComputerIsBannedNotTheNick) {
  WriteBans("[BanList]\r\nPC7=31.12.2026 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "Vasya", kUser, false));
  EXPECT_TRUE(bans.CheckBan("PC7", "Vasya_new_nick", kUser, false));
  EXPECT_FALSE(bans.CheckBan("PC8", "Vasya", kUser, false));
  EXPECT_FALSE(bans.CheckBan("pc7", "Vasya", kUser, false));  // byte-exact
  EXPECT_FALSE(bans.CheckBan("PC", "Vasya", kUser, false));
  EXPECT_TRUE(f.Sent().empty());
}

// Hosts are matched as packets carry them: an operator's UTF-8 line bans
// the Windows-1251 host it names, and a host whose bytes happen to be
// UTF-8 (a client that sends UTF-8) is banned by its own bytes too.
TEST_F(BanListTest, HostsMatchInOneEncodingWhateverTheFile) {
  // "ПК1" in UTF-8, then "ü" in UTF-8 as raw host bytes.
  WriteBans("[BanList]\r\n\xD0\x9F\xD0\x9A" "1=31.12.2026 23:59:00\r\n"
            "\xC3\xBC=31.12.2026 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan(W("ПК1"), "Vasya", kUser, false));
  EXPECT_TRUE(bans.CheckBan("\xC3\xBC", "Vasya", kUser, false));
  EXPECT_FALSE(bans.CheckBan(W("ПК2"), "Vasya", kUser, false));
}

// The list is read again only when the file changed, and every change
// an operator makes shows within a second: written in place (another
// size), put in place by a rename (the same size), removed. The bot's own
// writes show at once.
TEST_F(BanListTest, EveryChangeOfTheFileShowsWithinASecond) {
  WriteBans("[BanList]\r\nPC7=31.12.2026 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "Vasya", kUser, false));
  f.dir.WriteFile("botfile/ban.txt",
                  "[BanList]\r\nPC7=31.12.2026 23:59:00\r\nPC8=31.12.2026 23:59:00\r\n");
  f.clock.SetTickMs(f.clock.TickMs() + 999);
  EXPECT_FALSE(bans.CheckBan("PC8", "Vasya", kUser, false));
  f.clock.SetTickMs(f.clock.TickMs() + 1);
  EXPECT_TRUE(bans.CheckBan("PC8", "Vasya", kUser, false));
  RewriteFile(f.dir.FilePath("botfile/ban.txt"),
              "[BanList]\r\nPC1=31.12.2026 23:59:00\r\nPC9=31.12.2026 23:59:00\r\n");
  ASecondLater();
  EXPECT_FALSE(bans.CheckBan("PC8", "Vasya", kUser, false));
  EXPECT_TRUE(bans.CheckBan("PC9", "Vasya", kUser, false));
  ASSERT_EQ(std::remove(f.dir.FilePath("botfile/ban.txt").c_str()), 0);
  ASecondLater();
  EXPECT_FALSE(bans.CheckBan("PC9", "Vasya", kUser, false));

  ASSERT_TRUE(AddBan("PC3=01.01.2099 00:00:00"));
  EXPECT_TRUE(bans.CheckBan("PC3", "Vasya", kUser, false));
  EXPECT_TRUE(bans.DelBanB("PC3=01.01.2099 00:00:00"));
  EXPECT_FALSE(bans.CheckBan("PC3", "Vasya", kUser, false));
}

TEST_F(BanListTest, RefusalTextWithLineFeedThenCarriageReturn) {
  WriteBans("[BanList]\r\nPC7=31.12.2026 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "Vasya", kUser, true));
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text,
            W("Vasya, Вам отказано в использовании бота, ваш бан до: 31.12.2026 23:59:00"
              "\n\rРучная проверка бана (!refreshban или !проверить бан)"));
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[0].kind, 0);
}

TEST_F(BanListTest, LinesWrittenByHandStillBan) {
  // "x=y": the key is "x"; a short line shows whole.
  WriteBans("[BanList]\r\nPC9 forever\r\nPC5=soon\r\n");
  EXPECT_FALSE(bans.CheckBan("PC9 forever", "A", kUser, false));
  EXPECT_TRUE(bans.CheckBan("PC5", "A", kUser, true));
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_NE(f.Sent()[0].text.find(W("ваш бан до: PC5=soon\n\r")), std::string::npos);
}

TEST_F(BanListTest, TheHeaderAndLinesWithoutEqualsBanNobody) {
  // Before, their key was empty: a sender without a host name was refused
  // "...ваш бан до: [BanList]".
  WriteBans("[BanList]\r\nPC9 forever\r\n");
  EXPECT_FALSE(bans.CheckBan("", "A", kUser, true));
  EXPECT_FALSE(bans.CheckBan("[BanList]", "A", kUser, true));
  EXPECT_TRUE(f.Sent().empty());
  // An explicit empty key still names the empty host.
  WriteBans("[BanList]\r\n=31.12.2030 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan("", "A", kUser, false));
}

TEST_F(BanListTest, ExpiredButNotRefreshedStaysBanned) {
  WriteBans("[BanList]\r\nPC7=01.01.2020 00:00:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "Vasya", kUser, false));
  bans.RefreshBan("PC7");
  EXPECT_FALSE(bans.CheckBan("PC7", "Vasya", kUser, false));
  EXPECT_EQ(ReadBans(), "[BanList]\r\n");
}

TEST_F(BanListTest, RefreshKeepsALaterExpiryAndDropsTheRest) {
  WriteBans(
      "[BanList]\r\n"
      "LATER=06.12.2026 18:05:08\r\n"
      "NOW=06.12.2026 18:05:07\r\n"
      "JUNK=someday\r\n"
      "EMPTY=\r\n"
      "OTHER=01.01.2000 00:00:00\r\n");
  for (const char* host : {"LATER", "NOW", "JUNK", "EMPTY", "NOBODY"}) bans.RefreshBan(host);
  EXPECT_EQ(ReadBans(), "[BanList]\r\nLATER=06.12.2026 18:05:08\r\nOTHER=01.01.2000 00:00:00\r\n");
  // The window's list follows the file.
  EXPECT_EQ(bans.ListBan(), (std::vector<std::string>{"[BanList]", "LATER=06.12.2026 18:05:08",
                                                      "OTHER=01.01.2000 00:00:00"}));
  f.clock.AdvanceSeconds(1);
  bans.RefreshBan("LATER");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nOTHER=01.01.2000 00:00:00\r\n");
}

TEST_F(BanListTest, RefreshOfAStrangeHostTouchesNoOtherLine) {
  const std::string file =
      "[BanList]\r\nPC1=01.01.2030 00:00:00\r\nPC2=01.01.2020 00:00:00\r\n"
      "[Other]\r\nPC3=01.01.2020 00:00:00\r\n";
  WriteBans(file);
  // Host names as they come off the wire: "=", brackets, line ends, empty.
  for (const char* host : {"PC1=01.01.2020 00:00:00", "PC2=", "", "[BanList]", "BanList", "]",
                           "PC2\r\n", "PC1\r\nPC2", "\nPC2", "PC3", "PC1"}) {
    bans.RefreshBan(host);
    EXPECT_EQ(ReadBans(), file) << host;
  }
  // The expired one goes for its own host only.
  bans.RefreshBan("PC2");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC1=01.01.2030 00:00:00\r\n[Other]\r\nPC3=01.01.2020 00:00:00\r\n");
}

TEST_F(BanListTest, ListingsShowTheNewestLineFirst) {
  WriteBans("[BanList]\r\nPC1=01.01.2027 00:00:00\r\nPC2=02.01.2027 00:00:00\r\n");
  bans.SendBanList(kUser);
  bans.SendBanned(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  const std::string body =
      "\r\nPC2=02.01.2027 00:00:00\r\nPC1=01.01.2027 00:00:00\r\n[BanList]";
  EXPECT_EQ(sent[0].text, kListHeading + body);
  EXPECT_EQ(sent[0].kind, 3);
  EXPECT_EQ(sent[0].dstAddr, kUser);
  EXPECT_EQ(sent[1].text, kBannedHeading + body);
  EXPECT_EQ(sent[1].kind, 0);
  EXPECT_EQ(sent[1].dstAddr, kUser);
}

TEST_F(BanListTest, ListingsShowTheLastFifteenLines) {
  // The header and "PC2=x" .. "PC<n>=x": n lines in all.
  auto writeLines = [this](int n) {
    std::vector<std::string> lines{"[BanList]"};
    for (int i = 2; i <= n; ++i) lines.push_back("PC" + std::to_string(i) + "=x");
    WriteBans(JoinLines(lines));
  };
  auto expected = [](const std::string& heading, int from, int downTo) {
    std::string text = heading;
    for (int i = from; i >= downTo; --i) text += "\r\nPC" + std::to_string(i) + "=x";
    return text;
  };
  writeLines(20);
  bans.SendBanList(kUser);
  // Past the 1000 lines the table holds, still the file's own last lines.
  writeLines(2500);
  bans.SendBanned(kUser);
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, expected(kListHeading, 20, 6));
  EXPECT_EQ(sent[1].text, expected(kBannedHeading, 2500, 2486));
}

TEST_F(BanListTest, EmptyFileListsTheHeadingOnly) {
  WriteBans("");
  bans.SendBanList(kUser);
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, kListHeading);
}

TEST_F(BanListTest, AddBanLineAppendsAndAnnounces) {
  WriteBans("[BanList]\r\nPC1=01.01.2027 00:00:00\r\n");
  AddBan("PC7=31.12.2026 23:59:00");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC1=01.01.2027 00:00:00\r\nPC7=31.12.2026 23:59:00\r\n");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, W("PC7=31.12.2026 23:59:00%cf% Добавлен в Бан лист"));
  EXPECT_EQ(sent[0].dstAddr, kLoopbackBroadcast);
  EXPECT_EQ(bans.ListBan().size(), 3u);
}

TEST_F(BanListTest, FirstBanIntoAnEmptyFileCanExpire) {
  WriteBans("");
  AddBan("PC7=01.01.2026 00:00:00");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC7=01.01.2026 00:00:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "A", kUser, false));
  bans.RefreshBan("PC7");
  EXPECT_FALSE(bans.CheckBan("PC7", "A", kUser, false));

  std::remove(f.dir.FilePath("botfile/ban.txt").c_str());
  EXPECT_TRUE(AddBan("PC8=01.01.2026 00:00:00"));
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC8=01.01.2026 00:00:00\r\n");
}

TEST_F(BanListTest, ChatLineEndsAtItsFirstLineEnd) {
  WriteBans("[BanList]\r\nPC1=01.01.2027 00:00:00\r\n");
  EXPECT_TRUE(AddBan("PC7=31.12.2026 23:59:00\r\n[Other]\r\nEVIL1=x"));
  EXPECT_TRUE(AddBan("PC8=01.01.2020 00:00:00\nEVIL2=x"));
  EXPECT_TRUE(AddBan("PC9=01.01.2020 00:00:00\rEVIL3=x"));
  EXPECT_EQ(ReadBans(),
            "[BanList]\r\nPC1=01.01.2027 00:00:00\r\nPC7=31.12.2026 23:59:00\r\n"
            "PC8=01.01.2020 00:00:00\r\nPC9=01.01.2020 00:00:00\r\n");
  std::vector<SentPacket> sent = f.Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].text, W("PC7=31.12.2026 23:59:00%cf% Добавлен в Бан лист"));
  EXPECT_EQ(sent[2].text, W("PC9=01.01.2020 00:00:00%cf% Добавлен в Бан лист"));
  for (const char* host : {"EVIL1", "EVIL2", "EVIL3"}) {
    EXPECT_FALSE(bans.CheckBan(host, "A", kUser, false)) << host;
  }
}

TEST_F(BanListTest, AChatLineThatBansNobodyOrForNoTimeIsRefusedWithTheForm) {
  const std::string file = "[BanList]\r\nPC1=01.01.2020 00:00:00\r\n";
  WriteBans(file);
  // No "=" (announced, then banned nobody), an expiry that does not read
  // (lifted at the host's next join), no host, a host the check could not
  // match, a section header.
  for (const std::string& typed :
       {std::string("BADPC"), W("PERMPC=навсегда"), std::string("PC2=31.12.2026x"),
        std::string("=31.12.2030 23:59:00"), std::string(" PC3=31.12.2030 23:59:00"),
        std::string("PC3 =31.12.2030 23:59:00"), std::string("PC4=31.02.2030 10:00:00"),
        std::string("PC4=31.12.2030 25:00:00"), std::string("[Other]"),
        std::string(" \t[x]=1"), std::string("[x]=31.12.2030 23:59:00"), std::string(""),
        std::string("\r\nPC5=31.12.2030 23:59:00")}) {
    EXPECT_FALSE(AddBan(typed)) << typed;
    EXPECT_EQ(ReadBans(), file) << typed;
    std::vector<SentPacket> sent = f.Sent();
    ASSERT_EQ(sent.size(), 1u) << typed;
    EXPECT_EQ(sent[0].text, W("Бан не добавлен. Нужно так: !ban компьютер=дд.мм.гггг чч:мм:сс"));
    EXPECT_EQ(sent[0].dstAddr, kAdmin);
    EXPECT_EQ(sent[0].kind, 0);
    f.ClearSent();
  }
  // A date alone reads as its midnight, and lasts until then.
  EXPECT_TRUE(AddBan("PC6=31.12.2030"));
  bans.RefreshBan("PC6");
  EXPECT_TRUE(bans.CheckBan("PC6", "A", kUser, false));
  // The bans added afterwards can still expire.
  EXPECT_TRUE(AddBan("PC2=01.01.2020 00:00:00"));
  bans.RefreshBan("PC2");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC1=01.01.2020 00:00:00\r\nPC6=31.12.2030\r\n");
}

TEST_F(BanListTest, LastLineWithoutItsEndKeepsItsOwnLine) {
  WriteBans("[BanList]\r\nPC1=01.01.2027 00:00:00");
  AddBan("PC7=31.12.2026 23:59:00");
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC1=01.01.2027 00:00:00\r\nPC7=31.12.2026 23:59:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC1", "A", kUser, false));
  EXPECT_TRUE(bans.CheckBan("PC7", "A", kUser, false));
}

TEST_F(BanListTest, WindowAddReplacesTheHostsKey) {
  WriteBans("[BanList]\r\nPC7=01.01.2027 00:00:00\r\n");
  EXPECT_TRUE(bans.AddBanB("PC7", EncodeDate(2027, 2, 3), "12:30:00"));
  EXPECT_TRUE(bans.AddBanB("PC8", EncodeDate(2027, 3, 4), "  :  :  "));
  EXPECT_FALSE(bans.AddBanB("", EncodeDate(2027, 3, 4), "12:30:00"));
  EXPECT_FALSE(bans.AddBanB("PC9", EncodeDate(2027, 3, 4), ""));
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC7=03.02.2027 12:30:00\r\nPC8=04.03.2027   :  :  \r\n");
  EXPECT_EQ(bans.ListBan().size(), 3u);
}

TEST_F(BanListTest, WindowDeleteRemovesTheChosenLineAsTheFileNowHoldsIt) {
  WriteBans("[BanList]\r\nPC1=a\r\nPC2=b\r\n");
  bans.LoadBanListBox();
  EXPECT_FALSE(bans.DelBanB("[BanList]"));
  EXPECT_FALSE(bans.DelBanB("PC3=c"));
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC1=a\r\nPC2=b\r\n");
  // A join's expiry check took PC1 after the list box was filled: the
  // chosen line goes, not the one now in its place.
  WriteBans("[BanList]\r\nPC2=b\r\nPC4=d\r\n");
  EXPECT_TRUE(bans.DelBanB("PC4=d"));
  EXPECT_EQ(ReadBans(), "[BanList]\r\nPC2=b\r\n");
  EXPECT_EQ(bans.ListBan(), (std::vector<std::string>{"[BanList]", "PC2=b"}));
  // A file without its header keeps its first line all the same.
  WriteBans("PC5=e\r\nPC5=e\r\n");
  EXPECT_TRUE(bans.DelBanB("PC5=e"));
  EXPECT_EQ(ReadBans(), "PC5=e\r\n");
  EXPECT_FALSE(bans.DelBanB("PC5=e"));
}

TEST_F(BanListTest, ADeletedFileIsAnEmptyListAndANewBanCreatesIt) {
  f.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nPC7=01.01.2099 00:00:00\r\n");
  EXPECT_TRUE(bans.CheckBan("PC7", "A", kUser, false));
  // The operator clears the bans by deleting the file.
  std::remove(f.dir.FilePath("botfile/ban.txt").c_str());
  ASecondLater();
  EXPECT_FALSE(bans.CheckBan("PC7", "A", kUser, true));
  bans.SendBanList(kUser);
  ASSERT_EQ(f.Sent().size(), 1u);
  EXPECT_EQ(f.Sent()[0].text, kListHeading);
  ASSERT_TRUE(bans.AddBanLine("PC8=01.01.2099 00:00:00", kUser));
  EXPECT_EQ(f.dir.ReadFile("botfile/ban.txt"), "[BanList]\r\nPC8=01.01.2099 00:00:00\r\n");

  // Something there that cannot be read is still an error.
  std::remove(f.dir.FilePath("botfile/ban.txt").c_str());
  ASSERT_TRUE(CreateDirectory(f.dir.FilePath("botfile/ban.txt")));
  ASecondLater();
  EXPECT_THROW(bans.CheckBan("PC7", "A", kUser, true), FileError);
  EXPECT_THROW(bans.SendBanList(kUser), FileError);
}

}  // namespace
}  // namespace pelmo
