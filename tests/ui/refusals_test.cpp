// What the operator tried and could not do is always said: a ban the file
// refuses, a line gone from the file before Delete, a guide without a
// browser, an error mail without a mail program. The desktop's helpers
// are real programs here (fakes of xdg-open and xdg-email first on PATH).
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/bot.h"
#include "core/bot_settings.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"
#include "services/install_services.h"
#include "ui/desktop_launch.h"
#include "ui/error_report.h"
#include "ui/settings_pages.h"
#include "ui/window_platform.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

// Programs of this name, first on PATH while it lives, that end with the
// given status.
class FakeHelpers {
 public:
  FakeHelpers(const std::vector<std::string>& names, int status) {
    for (const std::string& name : names) {
      dir.WriteFile(name, "#!/bin/sh\necho \"$@\" >> \"$0.args\"\nexit " + std::to_string(status) + "\n");
      ::chmod(dir.FilePath(name).c_str(), 0755);
    }
    const char* path = std::getenv("PATH");
    m_saved = path != nullptr ? path : "";
    ::setenv("PATH", (dir.Path() + ":" + m_saved).c_str(), 1);
  }
  ~FakeHelpers() { ::setenv("PATH", m_saved.c_str(), 1); }
  TempDir dir;

 private:
  std::string m_saved;
};

class ServicesWindow : public ::testing::Test {
 protected:
  ServicesWindow() : services(InstallServices(f.bot.services())) {
    f.window->AddServicePages(*services);
    f.bot.PrepareOffline();
    f.window->Settings()->ShowSettings();
  }
  void Click(const char* name) {
    auto* button = f.Find<QPushButton>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }
  QStringList Lines() {
    QStringList lines;
    auto* list = f.Find<QListWidget>("ListBan");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
};

TEST_F(ServicesWindow, BanThatTheFileRefusesIsSaidAndTheListStays) {
  f.bot.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nEVILPC=31.12.2030 23:59:00\r\n");
  f.window->Settings()->SelectPage(PageId::kBans);
  f.window->show();
  f.window->Tabs()->setCurrentIndex(1);
  WindowFixture::Pump();
  ASSERT_EQ(Lines().size(), 2);

  // No computer name: said, nothing written.
  Click("AddBanB");
  ASSERT_EQ(f.warnings.size(), 1);
  EXPECT_EQ(f.warnings[0], Q("Введите имя компьютера."));

  // ban.txt cannot be written (a folder took its place).
  ASSERT_EQ(std::remove(f.bot.dir.FilePath("botfile/ban.txt").c_str()), 0);
  f.bot.dir.WriteFile("botfile/ban.txt/blocker", "");
  f.Find<QLineEdit>("HostBanLE")->setText("BADPC");
  Click("AddBanB");
  ASSERT_EQ(f.warnings.size(), 2);
  EXPECT_TRUE(f.warnings[1].startsWith(Q("Бан не записан в файл "))) << f.warnings[1].toStdString();
  EXPECT_TRUE(f.warnings[1].contains(QString::fromStdString(f.bot.dir.FilePath("botfile/ban.txt"))));
  EXPECT_EQ(Lines(), QStringList({"[BanList]", "EVILPC=31.12.2030 23:59:00"}));
  EXPECT_TRUE(f.errors.empty());
}

TEST(DesktopHelper, AFailureStatusOrAMissingProgramIsToldAndSuccessIsNot) {
  QObject context;
  int failures = 0;
  const auto count = [&] { ++failures; };
  const auto helpersGone = [&] { return context.findChildren<QProcess*>().isEmpty(); };

  StartDesktopHelper("sh", {"-c", "exit 3"}, &context, count);
  ASSERT_TRUE(QTest::qWaitFor(helpersGone, 10000));
  EXPECT_EQ(failures, 1);
  StartDesktopHelper("sh", {"-c", "exit 0"}, &context, count);
  ASSERT_TRUE(QTest::qWaitFor(helpersGone, 10000));
  EXPECT_EQ(failures, 1);
  StartDesktopHelper("pelmo-no-such-program", {}, &context, count);
  EXPECT_EQ(failures, 2);

  // Once its owner is gone, a helper's end is told to nobody.
  {
    QObject owner;
    StartDesktopHelper("sh", {"-c", "exit 3"}, &owner, count);
  }
  StartDesktopHelper("sh", {"-c", "exit 3"}, &context, count);
  ASSERT_TRUE(QTest::qWaitFor(helpersGone, 10000));
  EXPECT_EQ(failures, 3);
}

TEST(HelpWithoutABrowser, TheBoxSaysWhereTheGuideIs) {
  FakeHelpers helpers({"xdg-open"}, 3);
  WindowFixture f;
  // The desktop's own way of opening, with only the boxes replaced.
  f.window->platform.openUrl = DefaultWindowPlatform(f.window.get()).openUrl;
  f.bot.PrepareOffline();
  f.window->HelpClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.warnings.isEmpty(); }, 10000));
  EXPECT_TRUE(f.warnings[0].startsWith(Q("Не удалось открыть справку"))) << f.warnings[0].toStdString();
  EXPECT_TRUE(f.warnings[0].contains("help/index.html"));
  // xdg-open was asked for the guide itself.
  EXPECT_NE(helpers.dir.ReadFile("xdg-open.args").find("help/index.html"), std::string::npos);
}

TEST(ErrorMailWithoutAMailProgram, TheBoxSaysWhereTheReportIs) {
  FakeHelpers helpers({"xdg-email"}, 3);
  TempDir dir;
  FakeClock clock;
  BotSettings settings;
  ErrorReporter reporter(clock, settings, dir.FilePath("Errors"), "pelmobot-gui", "Pelmo_bot v 1.3");
  QStringList infos;
  reporter.platform.askYesNo = [](const QString&, const QString&) { return true; };
  reporter.platform.showInfo = [&](const QString&, const QString& text) { infos << text; };
  QWidget window;
  reporter.Report("boom", &window, &window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !infos.isEmpty(); }, 10000));
  EXPECT_TRUE(infos[0].startsWith(Q("Нет почтовой программы"))) << infos[0].toStdString();
  EXPECT_TRUE(infos[0].contains(QString::fromStdString(dir.FilePath("Errors"))));
  EXPECT_NE(helpers.dir.ReadFile("xdg-email.args").find("support@"), std::string::npos);
}

}  // namespace
}  // namespace pelmo
