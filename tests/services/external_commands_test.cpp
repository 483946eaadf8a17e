#include "services/external_commands.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "fakes/bot_fixture.h"

namespace pelmo {
namespace {

class ExternalCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.PrepareOffline();
    f.dir.WriteFile("cmds/rules.txt", W("Правило 1\r\nПравило 2\n"));
    f.dir.WriteFile("empty.txt", "");
  }
  // What one command text gets back: the texts sent (kind 3, unicast).
  std::vector<std::string> Run(const std::string& command) {
    f.ClearSent();
    commands.RunExternalCommand(command, kUser);
    std::vector<std::string> texts;
    for (const SentPacket& p : f.Sent()) {
      EXPECT_EQ(p.kind, 3);
      EXPECT_EQ(p.dstAddr, kUser);
      texts.push_back(p.text);
    }
    return texts;
  }
  using Texts = std::vector<std::string>;

  BotFixture f;
  ExternalCommands commands{f.parts().folder, f.parts().replies, f.parts().log};
  const std::uint32_t kUser = Loopback(2);
  const std::string kError = W("Ошибка в команде.");
};

TEST_F(ExternalCommandsTest, ListingAndCommands) {
  f.dir.WriteFile("extcmds.ini", W("rules=cmds\\rules.txt\r\n\r\n=skipped\r\n[Section]\n"
                                    "ПРАВИЛА=cmds/rules.txt\r\nRules=empty.txt\r\n"
                                    "blank=empty.txt\r\nghost=nowhere.txt\r\nnopath\r\n"));
  const std::string rules = W("Правило 1\r\nПравило 2\r\n");
  const struct {
    std::string command;
    Texts replies;
  } cases[] = {
      {"extcmd", {W("\r\n\r\nСписок дополнительных команд:\r\n1) rules\r\n2) [Section]\r\n"
                    "3) ПРАВИЛА\r\n4) Rules\r\n5) blank\r\n6) ghost\r\n7) nopath\r\n")}},
      {W("допком all"), {Run("EXTCMD")}},
      {"RULES", {W("Дополнительная команда: rules\r\n") + rules}},  // the first of two
      {"  Rules and more", {W("Дополнительная команда: rules\r\n") + rules}},
      {W("правила"), {W("Дополнительная команда: ПРАВИЛА\r\n") + rules}},
      {"blank", {W("Дополнительная команда: blank\r\n")}},
      {"ghost", {kError}},
      {"nopath", {kError}},
      {"nothing", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.command), c.replies) << c.command;
  EXPECT_TRUE(f.view.Contains(W("Выдана команда: \"rules\" (cmds\\rules.txt)")));
  EXPECT_TRUE(f.view.Contains(W("Ошибка: файл доп. команды \"ghost\" не найден (nowhere.txt)")));
}

TEST_F(ExternalCommandsTest, MissingOrEmptyListHasNoCommands) {
  for (bool missing : {true, false}) {
    if (missing) {
      std::remove(f.dir.FilePath("extcmds.ini").c_str());
    } else {
      f.dir.WriteFile("extcmds.ini", "\r\n");
    }
    EXPECT_EQ(Run("extcmd"), Texts{W("Дополнительные команды не заданы.")});
    EXPECT_EQ(Run("anything"), Texts{});
  }
  EXPECT_FALSE(f.view.Contains(W("Ошибка при выдаче доп. ком.")));
}

TEST_F(ExternalCommandsTest, OversizedOrUnreadableFilesAreErrors) {
  f.dir.WriteFile("big.txt", std::string(kMaxCommandFileSize + 1, 'x'));
  f.dir.WriteFile("extcmds.ini", "big=big.txt\r\ndir=cmds\r\n");
  EXPECT_EQ(Run("big"), Texts{kError});
  EXPECT_EQ(Run("dir"), Texts{kError});
  EXPECT_TRUE(f.view.Contains(W("Ошибка при выдаче доп. ком.")));
}

TEST_F(ExternalCommandsTest, AnOldInstallationsPathsFindTheirFilesAndNoneLeavesTheFolder) {
  // Windows-1251 names and backslashes, written against names on disk in
  // another case and in UTF-8 ("Кино.txt"); a file in UTF-8.
  f.dir.WriteFile("Docs/Rules.TXT", "r1\r\n");
  RewriteFile(f.dir.FilePath("Docs/\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE.txt"),
              "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE\n");
  f.dir.WriteFile("secret.txt", "secret");
  f.dir.WriteFile("extcmds.ini", "Rules=docs\\rules.txt\r\n"
                                 "\xCA\xE8\xED\xEE=DOCS\\\xEA\xE8\xED\xEE.txt\r\n"
                                 "Abs=C:\\Pelmo_bot\\docs\\Rules.txt\r\n"
                                 "Up=..\\secret.txt\r\n"
                                 "Far=C:\\Windows\\win.ini\r\n");
  EXPECT_EQ(Run("rules"), Texts{W("Дополнительная команда: Rules\r\nr1\r\n")});
  EXPECT_EQ(Run(W("кино")), Texts{W("Дополнительная команда: Кино\r\nКино\r\n")});
  EXPECT_EQ(Run("abs"), Texts{W("Дополнительная команда: Abs\r\nr1\r\n")});
  EXPECT_EQ(Run("up"), Texts{kError});
  EXPECT_EQ(Run("far"), Texts{kError});
  Run(W("кино"));
  auto linesWith = [&](const std::string& part) {
    int n = 0;
    for (const std::string& text : f.view.Texts()) n += text.find(part) != std::string::npos;
    return n;
  };
  EXPECT_EQ(linesWith(W("Файл доп. команды \"Up\" (..\\secret.txt) не выдан: ")), 1);
  EXPECT_EQ(linesWith(W("Файл доп. команды \"Far\"")), 1);
  // The UTF-8 file is named once, however often it is asked for.
  EXPECT_EQ(linesWith(W("в кодировке UTF-8")), 1);
}

}  // namespace
}  // namespace pelmo
