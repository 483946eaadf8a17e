// The desktop session's autostart entry and switch copy, as files.
#include "core/autostart.h"

#include <gtest/gtest.h>

#include "base/ini_file.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

TEST(Autostart, EntryStartsTheProgramOnTheFolderAndTheCopyFollowsTheSwitch) {
  TempDir dir;
  const std::string config = dir.FilePath("config");
  ASSERT_TRUE(WriteAutostartEntry(config, "/opt/pelmo/pelmobot", dir.Path()));
  const std::string exec = "Exec=\"/opt/pelmo/pelmobot\" --dir \"" + dir.Path() + "\"\n";
  EXPECT_EQ(dir.ReadFile("config/autostart/pelmobot.desktop"),
            "[Desktop Entry]\nType=Application\nName=Pelmo_bot\n" + exec + "Terminal=false\n");
  EXPECT_EQ(AutostartEntryPath(config), config + "/autostart/pelmobot.desktop");
  EXPECT_TRUE(RemoveAutostartEntry(config));
  EXPECT_FALSE(dir.Exists("config/autostart/pelmobot.desktop"));

  ASSERT_TRUE(WriteAutostartSwitchCopy(config, true));
  EXPECT_EQ(IniFile(AutostartSwitchCopyPath(config)).ReadString("Bot", "Checked", ""), "true");
  ASSERT_TRUE(WriteAutostartSwitchCopy(config, false));
  EXPECT_EQ(IniFile(AutostartSwitchCopyPath(config)).ReadString("Bot", "Checked", ""), "false");
  // A path that would break the entry's lines is refused.
  EXPECT_FALSE(WriteAutostartEntry(config, "/opt/pelmo/pelmobot", dir.Path() + "\nExec=x"));
}

TEST(Autostart, ExecArgumentsAreQuotedAndEscaped) {
  EXPECT_EQ(DesktopExecArgument("/usr/bin/pelmobot"), "\"/usr/bin/pelmobot\"");
  EXPECT_EQ(DesktopExecArgument("/home/a b/bot"), "\"/home/a b/bot\"");
  // Quote, backquote and dollar get one backslash; a backslash becomes
  // four (quoting, then the string-value escape); "%" is doubled.
  EXPECT_EQ(DesktopExecArgument("a\"b`c$d"), "\"a\\\\\"b\\\\`c\\\\$d\"");
  EXPECT_EQ(DesktopExecArgument("x\\y"), "\"x\\\\\\\\y\"");
  EXPECT_EQ(DesktopExecArgument("100%"), "\"100%%\"");
}

}  // namespace
}  // namespace pelmo
