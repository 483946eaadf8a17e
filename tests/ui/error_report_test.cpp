// The error reports: names, files, the picture, the box and the mail, and
// the limits that keep a recurring error from flooding the disk and the
// screen.
#include <QDir>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"
#include "ui/error_report.h"

namespace pelmo {
namespace {

class ErrorReportTest : public ::testing::Test {
 protected:
  ErrorReportTest() : reporter(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3") {
    window.setObjectName("MainForm");
    window.resize(120, 80);
    window.setText("window");
    reporter.platform.askYesNo = [this](const QString& title, const QString& text) {
      boxes << title + "\n" + text;
      // A box that is open while another error comes.
      if (nested) reporter.Report(W("другая ошибка"), &window, &window);
      return answerYes;
    };
    reporter.platform.showError = [this](const QString&, const QString& text) { errorBoxes << text; };
    reporter.platform.showInfo = [this](const QString&, const QString& text) { infos << text; };
    reporter.platform.startMail = [this](const QStringList& args, std::function<void()> failed) {
      mails.push_back(args);
      if (!mailWorks) mailFailures.push_back(std::move(failed));
    };
  }

  QStringList Files() const {
    return QDir(QString::fromStdString(dir.FilePath("Errors"))).entryList(QDir::Files, QDir::Name);
  }

  TempDir dir;
  FakeClock clock;
  BotSettings settings;
  ErrorReporter reporter;
  QLabel window;
  QStringList boxes, errorBoxes, infos;
  std::vector<QStringList> mails;
  // The mail program's failures, told when the test says so.
  std::vector<std::function<void()>> mailFailures;
  bool answerYes = false;
  bool mailWorks = true;
  bool nested = false;
};

TEST_F(ErrorReportTest, WritesThePictureAndTheReport) {
  reporter.Report(W("Деление на ноль"), &window, nullptr);
  const std::string base = "pelmobot-gui_MainForm_06122026_180507_Error";
  EXPECT_EQ(Files(), QStringList({QString::fromStdString(base + ".jpg"),
                                  QString::fromStdString(base + ".txt")}));
  const std::string report = dir.ReadFile("Errors/" + base + ".txt");
  const std::vector<std::string> lines = SplitLines(report);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], W("------------- Этот отчет создан автоматически отчетной системой ошибок -------"));
  EXPECT_EQ(lines[1].rfind(W("Имя компьютера: ["), 0), 0u);
  EXPECT_EQ(lines[2].rfind(W("Пользователь: ["), 0), 0u);
  EXPECT_EQ(lines[4], W("Деление на ноль"));
  EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6);
  EXPECT_EQ(std::count(report.begin(), report.end(), '\r'), 6);

  const std::string jpeg = dir.ReadFile("Errors/" + base + ".jpg");
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg.substr(0, 3), "\xFF\xD8\xFF");
  QImage picture(QString::fromStdString(dir.FilePath("Errors/" + base + ".jpg")));
  EXPECT_EQ(picture.size(), window.grab().size());

  // The box: caption, message with its full stop, where the files are.
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith(QString::fromUtf8("Pelmo_bot v 1.3. Ошибка !!!\nДеление на ноль.\n\n")));
  EXPECT_TRUE(boxes[0].contains(QString::fromStdString(base)));
  EXPECT_TRUE(mails.empty());
}

TEST_F(ErrorReportTest, NoActiveWindowIsNamedNoneAndPicturesTheFallback) {
  reporter.Report("boom", nullptr, &window);
  EXPECT_TRUE(Files().contains("pelmobot-gui_none_06122026_180507_Error.jpg"));
}

TEST_F(ErrorReportTest, FullStopIsAddedOnlyAfterCharactersAboveIt) {
  struct Case {
    std::string message;
    const char* first;
  };
  const Case cases[] = {{"Bad value", "Bad value.\n"}, {"Ends with -", "Ends with -\n"},
                        {"Done.", "Done.\n"}, {"", "\n"}};
  for (const Case& c : cases) {
    EXPECT_TRUE(reporter.BoxText(c.message).startsWith(c.first)) << c.message;
  }
}

TEST_F(ErrorReportTest, SameMessageOnceAMinuteAndExistingNamesGetASuffix) {
  reporter.Report("one", &window, nullptr);
  reporter.Report("one", &window, nullptr);  // within the minute: nothing
  EXPECT_EQ(Files().size(), 2);
  EXPECT_EQ(boxes.size(), 1);
  reporter.Report("two", &window, nullptr);  // same second, another message
  EXPECT_EQ(Files().size(), 4);
  EXPECT_TRUE(Files().contains("pelmobot-gui_MainForm_06122026_180507_Error_2.txt"));
  clock.AdvanceSeconds(61);
  reporter.Report("one", &window, nullptr);
  EXPECT_EQ(Files().size(), 6);
}

TEST_F(ErrorReportTest, OneBoxAtATime) {
  nested = true;
  reporter.Report("first", &window, nullptr);
  // The second error was written but asked nothing while the box was open.
  EXPECT_EQ(boxes.size(), 1);
  EXPECT_EQ(Files().size(), 4);
}

TEST_F(ErrorReportTest, KeepsTheNewestReports) {
  for (int i = 0; i < ErrorReporter::kMaxReports + 5; ++i) {
    clock.AdvanceSeconds(1);
    reporter.Report("error " + std::to_string(i), &window, nullptr);
  }
  const QStringList files = Files();
  EXPECT_EQ(files.filter(".txt").size(), ErrorReporter::kMaxReports);
  EXPECT_EQ(files.filter(".jpg").size(), ErrorReporter::kMaxReports);
  EXPECT_FALSE(files.contains("pelmobot-gui_MainForm_06122026_180508_Error.txt"));
  EXPECT_TRUE(files.contains("pelmobot-gui_MainForm_06122026_180513_Error.txt"));
}

TEST_F(ErrorReportTest, YesOpensTheMailWithTheFilesAttached) {
  answerYes = true;
  reporter.Report("mail me", &window, nullptr);
  ASSERT_EQ(mails.size(), 1u);
  const QStringList& args = mails[0];
  EXPECT_EQ(args[0], "--subject");
  EXPECT_EQ(args[1], QString::fromUtf8("Ошибка. Программа=Pelmo_bot v 1.3"));
  EXPECT_TRUE(args.contains(QString::fromStdString(reporter.LastReport())));
  EXPECT_TRUE(args.contains(QString::fromStdString(reporter.LastPicture())));
  EXPECT_TRUE(args[args.indexOf("--body") + 1].contains("mail me"));
  EXPECT_TRUE(infos.isEmpty());

  // Without a mail program the box says where the files are, when the
  // mail program's failure comes.
  mailWorks = false;
  reporter.Report("no mail", &window, nullptr);
  EXPECT_TRUE(infos.isEmpty());
  ASSERT_EQ(mailFailures.size(), 1u);
  mailFailures[0]();
  ASSERT_EQ(infos.size(), 1);
  EXPECT_TRUE(infos[0].contains(QString::fromStdString(dir.FilePath("Errors"))));
}

TEST_F(ErrorReportTest, SwitchesDecideWhatHappens) {
  settings.ShowErrorCB = false;
  reporter.Report("quiet", &window, nullptr);
  EXPECT_EQ(Files().size(), 2);
  EXPECT_TRUE(boxes.isEmpty());

  settings.OnErrorCB = false;
  reporter.Report("standard", &window, nullptr);
  EXPECT_EQ(Files().size(), 2);
  EXPECT_EQ(errorBoxes, QStringList({"standard"}));
}

}  // namespace
}  // namespace pelmo
