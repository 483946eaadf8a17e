#include "program/new_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp1251.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

TEST(NewFolder, AFolderWithoutNetIniGetsTheShippedFilesItLacks) {
  TempDir shipped;
  shipped.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  shipped.WriteFile("botfile/help.txt", "help");
  shipped.WriteFile("botfile/anecdot.txt", "joke");
  TempDir dir;
  dir.WriteFile("botfile/ANECDOT.TXT", "mine");  // kept, whatever its case

  const std::string line = FillNewWorkFolder(dir.Path(), shipped.Path());
  EXPECT_EQ(line, W("В папке ") + dir.Path() + W(" не было Net.ini: скопировано файлов из папки ") +
                      shipped.Path() + W(": 2 (сеть — multicast на loopback: ничего не уходит "
                                         "с этого компьютера; чтобы бот вышел в сеть, измените "
                                         "Net.ini)."));
  EXPECT_EQ(dir.ReadFile("Net.ini"), "[net]\r\nip=127.0.0.1\r\n");
  EXPECT_EQ(dir.ReadFile("botfile/help.txt"), "help");
  EXPECT_EQ(dir.List("botfile"), (std::vector<std::string>{"ANECDOT.TXT", "help.txt"}));
  EXPECT_EQ(dir.ReadFile("botfile/ANECDOT.TXT"), "mine");

  // A folder with Net.ini, in any case, is never touched.
  TempDir other;
  other.WriteFile("NET.INI", "[net]\r\n");
  EXPECT_EQ(FillNewWorkFolder(other.Path(), shipped.Path()), "");
  EXPECT_EQ(other.List(), std::vector<std::string>{"NET.INI"});

  // Without a shipped folder: the shipped Net.ini all the same, in CR LF,
  // never the bare defaults' sniffer mode.
  TempDir bare;
  EXPECT_NE(FillNewWorkFolder(bare.Path(), "").find(W("записан Net.ini программы")),
            std::string::npos);
  EXPECT_EQ(bare.List(), std::vector<std::string>{"Net.ini"});
  const std::string written = bare.ReadFile("Net.ini");
  EXPECT_NE(written.find("[socket]\r\nsnifermode=0\r\n"), std::string::npos) << written;
  EXPECT_NE(written.find("ip=127.0.0.1\r\n"), std::string::npos);
  EXPECT_EQ(written.find("\n\n"), std::string::npos);
}

TEST(NewFolder, TheShippedFolderBesideTheProgramOrInThePackage) {
  TempDir install;
  install.WriteFile("bin/pelmobot", "");
  install.WriteFile("share/pelmobot/workdir/Net.ini", "");
  EXPECT_EQ(ShippedWorkFolder(install.FilePath("bin/pelmobot")),
            install.FilePath("bin/../share/pelmobot/workdir"));
  install.WriteFile("bin/workdir/Net.ini", "");
  EXPECT_EQ(ShippedWorkFolder(install.FilePath("bin/pelmobot")), install.FilePath("bin/workdir"));

  // Neither, and not a program of this build: none.
  TempDir elsewhere;
  elsewhere.WriteFile("pelmobot", "");
  EXPECT_EQ(ShippedWorkFolder(elsewhere.FilePath("pelmobot")), "");
}

}  // namespace
}  // namespace pelmo
