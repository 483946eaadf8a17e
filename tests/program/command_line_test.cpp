#include "program/command_line.h"

#include <gtest/gtest.h>

namespace pelmo {
namespace {

CommandLine Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "pelmobot");
  return ParseCommandLine(args);
}

TEST(CommandLine, FolderOptionsAndTheBirthdayStart) {
  EXPECT_EQ(Parse({}).dir, ".");
  EXPECT_FALSE(Parse({}).birthdayCheck);
  EXPECT_EQ(Parse({"--dir", "/srv/bot"}).dir, "/srv/bot");
  EXPECT_EQ(Parse({"--dir=/srv/bot"}).dir, "/srv/bot");
  EXPECT_TRUE(Parse({"go"}).birthdayCheck);
  EXPECT_TRUE(Parse({"--dir", "d", "go"}).birthdayCheck);
  // After "--" a leading "-" is an argument, not an option.
  EXPECT_TRUE(Parse({"--", "-x"}).birthdayCheck);
  EXPECT_TRUE(Parse({"--", "-x"}).error.empty());
  EXPECT_FALSE(Parse({"--"}).birthdayCheck);
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_TRUE(Parse({"--check", "--dir", "d"}).check);
  EXPECT_FALSE(Parse({"--check"}).birthdayCheck);
  EXPECT_FALSE(Parse({"go"}).check);
}

// Windows: a shortcut without "Start in" starts the program in system32;
// the working folder is the program's own unless --dir names one.
TEST(CommandLine, WithoutDirTheWorkFolderIsTheProgramsWhereThePlatformSaysSo) {
  const auto chosen = [](std::vector<std::string> args, const std::string& program,
                         bool programFolder) {
    CommandLine line = Parse(std::move(args));
    ChooseWorkFolder(line, program, programFolder);
    return line.dir;
  };
  EXPECT_EQ(chosen({}, "C:\\Bots\\Pelmo_bot\\pelmobot-gui.exe", true), "C:\\Bots\\Pelmo_bot");
  EXPECT_EQ(chosen({"go"}, "C:/Pelmo/pelmobot.exe", true), "C:/Pelmo");
  EXPECT_EQ(chosen({}, "C:\\pelmobot-gui.exe", true), "C:\\");
  EXPECT_EQ(chosen({"--dir", "D:\\bot"}, "C:\\Pelmo\\pelmobot-gui.exe", true), "D:\\bot");
  EXPECT_EQ(chosen({"--dir=."}, "C:\\Pelmo\\pelmobot-gui.exe", true), ".");
  EXPECT_EQ(chosen({}, "/usr/bin/pelmobot-gui", false), ".");
}

TEST(CommandLine, MistakesAreNeverABirthdayStart) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--dir"}, {"--dir="}, {"--dri", "x"}, {"-v"}}) {
    const CommandLine line = Parse(args);
    EXPECT_FALSE(line.error.empty()) << args[0];
    EXPECT_FALSE(line.birthdayCheck) << args[0];
  }
}

}  // namespace
}  // namespace pelmo
