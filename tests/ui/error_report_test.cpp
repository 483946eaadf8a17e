// The Qt side of the error reports: the window's picture, the report
// beside it, the box and the mail program. The rules live with the model
// and are tested there.
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

}  // namespace
}  // namespace pelmo
