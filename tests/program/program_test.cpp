// What the program layer does around the bot: the switched-off bot's line
// of the headless start, --help and --version before anything else, and
// a working folder made from the installed default one.
#include "program/program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "core/bot_view.h"
#include "fakes/fake_clock.h"
#include "fakes/manual_event_loop.h"
#include "fakes/temp_dir.h"
#include "program/work_folder_setup.h"

namespace pelmo {
namespace {

class LinesView final : public BotView {
 public:
  void OnLogLine(const std::string&, const std::string& text, std::uint32_t) override {
    lines.push_back(text);
  }
  std::vector<std::string> lines;
};

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

// Without a window nothing else shows why the bot never speaks.
TEST(Program, HeadlessStartOfASwitchedOffBotSaysWhichKeyStartsIt) {
  const std::string line =
      W("Бот выключен: в файле Net.ini, раздел [chat], стоит EnableBot=0; EnableBot=1 запускает его.");
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n[chat]\r\nEnableBot=0\r\n");
  FakeClock clock;
  ManualEventLoop loop(&clock);
  Program program(loop, clock, dir.Path(), "pelmobot");
  LinesView view;
  program.Faces().console.AddView(&view);
  program.Start();
  EXPECT_FALSE(program.Faces().life.Running());
  EXPECT_TRUE(Holds(view.lines, line));
  program.Faces().life.Close();
  program.Faces().console.RemoveView(&view);
}

TEST(Program, HelpAndVersionAreAnsweredWhateverElseTheLineHolds) {
  const std::string usage = "Usage: pelmobot-gui [--dir DIR]\n";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {{"-platform", "xcb", "--version"}, 0, "pelmobot-gui (Pelmo_bot v 1.3)\n"},
      {{"--bogus", "-display", ":9", "--help"}, 0, usage},
      {{"-h"}, 0, usage},
      {{"--dir", "/srv/bot", "-platform", "offscreen"}, -1, ""},
      // A folder called --help, and a birthday argument after "--".
      {{"--dir", "--help"}, -1, ""},
      {{"--", "--version"}, -1, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"pelmobot-gui"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    testing::internal::CaptureStdout();
    const int code = AnswerHelpOrVersion(argv, "pelmobot-gui", usage);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.args.back();
    EXPECT_EQ(code, c.code) << c.args.back();
  }
}

TEST(WorkFolderSetup, TheInstalledDefaultFolderIsCopiedWhole) {
  TempDir root;
  root.WriteFile("usr/bin/pelmobot-gui", "");
  root.WriteFile("usr/share/pelmobot/workdir/Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  root.WriteFile("usr/share/pelmobot/workdir/botfile/help.txt", "help\r\n");
  const std::string from = InstalledWorkFolder(root.FilePath("usr/bin/pelmobot-gui"));
  EXPECT_EQ(from, root.FilePath("usr/share/pelmobot/workdir"));
  EXPECT_EQ(InstalledWorkFolder(root.FilePath("opt/pelmobot-gui")), "");

  std::string error;
  ASSERT_TRUE(CreateWorkFolder(from, root.FilePath("home/.local/share/pelmobot"), error)) << error;
  EXPECT_EQ(root.ReadFile("home/.local/share/pelmobot/Net.ini"), "[net]\r\nip=127.0.0.1\r\n");
  EXPECT_EQ(root.ReadFile("home/.local/share/pelmobot/botfile/help.txt"), "help\r\n");

  // An existing folder is never copied over; a missing source makes nothing.
  root.WriteFile("home/.local/share/pelmobot/Net.ini", "mine\r\n");
  EXPECT_FALSE(CreateWorkFolder(from, root.FilePath("home/.local/share/pelmobot"), error));
  EXPECT_EQ(root.ReadFile("home/.local/share/pelmobot/Net.ini"), "mine\r\n");
  EXPECT_FALSE(CreateWorkFolder(root.FilePath("nowhere"), root.FilePath("other"), error));
  EXPECT_NE(error.find("nowhere"), std::string::npos);
  EXPECT_FALSE(root.Exists("other"));
}

}  // namespace
}  // namespace pelmo
