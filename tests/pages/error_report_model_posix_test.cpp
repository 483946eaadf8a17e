// The error report's rules (a message once a minute, free names, one box at
// a time, the newest reports kept, the switches) and its boxes, which say
// what is on the disk: where the report was written, or that it could not
// be and why.
#include "pages/error_report_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

class ErrorReportModelTest : public ::testing::Test {
 protected:
  ErrorReportModelTest() {
    toolkit.writePicture = [](const std::string& path) {
      try {
        RewriteFile(path, "\xFF\xD8\xFF");
        return true;
      } catch (const FileError&) {
        return false;
      }
    };
    toolkit.askYesNo = [this](const std::string&, const std::string& text) {
      boxes.push_back(text);
      return true;
    };
    toolkit.showInfo = [this](const std::string&, const std::string& text) {
      infos.push_back(text);
    };
    toolkit.sendMail = [this](const ErrorMail& mail, std::function<void()> failed) {
      mails.push_back(mail);
      failed();
    };
  }

  TempDir dir;
  FakeClock clock;
  BotSettings settings;
  ErrorReportToolkit toolkit;
  std::vector<std::string> boxes, infos;
  std::vector<ErrorMail> mails;
};

TEST_F(ErrorReportModelTest, TheBoxesNameTheFilesThatWereWritten) {
  ErrorReportModel model(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3");
  model.Report(W("Сбой"), "MainForm", toolkit);
  const std::string base = "pelmobot-gui_MainForm_06122026_180507_Error";
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], W("Сбой.\n\nОтчёт об ошибке записан в папку: ") + dir.FilePath("Errors") +
                          W("\nИмя файла ошибки: ") + base + W(".txt, снимок окна: ") + base +
                          W(".jpg\nСгенерировать письмо в службу поддержки с ошибкой ?"));
  ASSERT_EQ(infos.size(), 1u);
  EXPECT_EQ(infos[0], W("Нет почтовой программы. Отчёт об ошибке лежит в папке: ") +
                          dir.FilePath("Errors") + "\n" + base + ".txt, " + base + ".jpg");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].report, dir.FilePath("Errors/" + base + ".txt"));
  EXPECT_EQ(mails[0].body, dir.ReadFile("Errors/" + base + ".txt"));
}

// As root no folder is read-only: a regular file where the folder should
// be stops every write.
TEST_F(ErrorReportModelTest, AReportThatCannotBeWrittenIsSaidWithTheReason) {
  dir.WriteFile("blocked", "x");
  ErrorReportModel model(clock, settings, dir.FilePath("blocked/Errors"), "pelmobot-gui",
                         "Pelmo_bot v 1.3");
  model.Report(W("Сбой"), "MainForm", toolkit);
  const std::string base = "pelmobot-gui_MainForm_06122026_180507_Error";
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], W("Сбой.\n\nОтчёт об ошибке не записан: файл ") + base +
                          W(".txt в папке ") + dir.FilePath("blocked/Errors") +
                          W(" не создать (на месте папки стоит файл).\n"
                            "Сгенерировать письмо в службу поддержки с ошибкой ?"));
  ASSERT_EQ(infos.size(), 1u);
  EXPECT_EQ(infos[0], W("Нет почтовой программы. Отчёт об ошибке не записан в папку ") +
                          dir.FilePath("blocked/Errors") + W(": на месте папки стоит файл."));
  // The mail still carries the report, with nothing attached.
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].report, "");
  EXPECT_EQ(mails[0].picture, "");
  EXPECT_NE(mails[0].body.find(W("Сбой")), std::string::npos);
}

TEST_F(ErrorReportModelTest, FullStopIsAddedOnlyAfterCharactersAboveIt) {
  ErrorReportModel model(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3");
  struct Case {
    std::string message;
    std::string first;
  };
  const Case cases[] = {{"Bad value", "Bad value.\n"}, {"Ends with -", "Ends with -\n"},
                        {"Done.", "Done.\n"}, {"", "\n"}};
  for (const Case& c : cases) {
    EXPECT_EQ(model.BoxText(c.message).rfind(c.first, 0), 0u) << c.message;
  }
}

TEST_F(ErrorReportModelTest, OnceAMinuteFreeNamesOneBoxAtATimeAndTheNewestKept) {
  ErrorReportModel model(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3");
  const auto count = [this] { return dir.List("Errors").size(); };
  model.Report("one", "MainForm", toolkit);
  model.Report("one", "MainForm", toolkit);  // within the minute: nothing
  EXPECT_EQ(count(), 2u);
  EXPECT_EQ(boxes.size(), 1u);
  model.Report("two", "MainForm", toolkit);  // same second, another message
  EXPECT_EQ(count(), 4u);
  const std::vector<std::string> names = dir.List("Errors");
  EXPECT_NE(std::find(names.begin(), names.end(), "pelmobot-gui_MainForm_06122026_180507_Error_2.txt"),
            names.end());
  clock.AdvanceSeconds(61);
  model.Report("one", "MainForm", toolkit);
  EXPECT_EQ(count(), 6u);

  // An error that comes while the box is open is written, and asks nothing.
  boxes.clear();
  toolkit.askYesNo = [&](const std::string&, const std::string& text) {
    boxes.push_back(text);
    model.Report("nested", "MainForm", toolkit);
    return false;
  };
  model.Report("first", "MainForm", toolkit);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(count(), 10u);

  // Only the newest 200 reports (and their pictures) stay.
  toolkit.askYesNo = nullptr;
  for (int i = 0; i < 205; ++i) {
    clock.AdvanceSeconds(1);
    model.Report("error " + std::to_string(i), "MainForm", toolkit);
  }
  const std::vector<std::string> kept = dir.List("Errors");
  EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                          [](const std::string& n) { return n.ends_with(".txt"); }),
            200);
  EXPECT_EQ(std::count_if(kept.begin(), kept.end(),
                          [](const std::string& n) { return n.ends_with(".jpg"); }),
            200);
}

TEST_F(ErrorReportModelTest, SwitchesDecideWhatHappens) {
  ErrorReportModel model(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3");
  std::vector<std::string> errorBoxes;
  toolkit.showError = [&](const std::string&, const std::string& text) { errorBoxes.push_back(text); };
  settings.ShowErrorCB = false;
  model.Report("quiet", "MainForm", toolkit);
  EXPECT_EQ(dir.List("Errors").size(), 2u);
  EXPECT_TRUE(boxes.empty());

  settings.OnErrorCB = false;
  model.Report("standard", "MainForm", toolkit);
  EXPECT_EQ(dir.List("Errors").size(), 2u);
  EXPECT_EQ(errorBoxes, std::vector<std::string>({"standard"}));
}

}  // namespace
}  // namespace pelmo
