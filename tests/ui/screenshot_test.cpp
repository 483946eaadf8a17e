// A picture of every tab and settings page, for the eye: saved under
// PELMO_SCREENSHOT_DIR. The test checks that each page is drawn and
// differs from the empty default page.
#include <QImage>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <QLineEdit>

#include "base/cp1251.h"
#include "core/bot.h"
#include "games/install_games.h"
#include "services/timed_features.h"
#include "ui/about_dialog.h"
#include "ui/birthday_window.h"
#include "ui/subscriber_page.h"
#include "services/install_services.h"
#include "ui/settings_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

TEST(Screenshots, EveryTabAndPage) {
  WindowFixture f;
  std::unique_ptr<InstalledServices> services = InstallServices(f.bot.services());
  std::unique_ptr<Games> games = InstallGames(f.bot.services());
  f.window->AddServicePages(*services);
  f.window->AddGamePages(*games);
  TimedFeatures timed(f.bot.services(), [] {});
  InstallTimedFeatures(f.bot.services(), timed);
  f.window->AddTimedPages(timed);
  f.bot.dir.WriteFile("others.ini", "[Pogoda]\r\nURL=http://127.0.0.1:9/informer.js\r\nAutPogoda=1\r\n");
  f.bot.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nEVILPC=31.12.2026 23:59:00\r\n");
  f.bot.dir.WriteFile("botfile/boltun.txt", W("привет^Здорово!\r\nкак дела^Отлично!\r\n"));
  f.bot.dir.WriteFile("botfile/admin.txt", "Boss#BOSSPC\r\n");
  f.bot.RecordSends(true);
  f.window->FormCreate();
  ASSERT_TRUE(f.bot.bot().Running());
  f.bot.loop.Advance(std::chrono::milliseconds(1000));  // the countdowns' labels
  f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  f.bot.ReceiveTopic({"Ann", "PC7", Loopback(7)}, "Pelmeni on Friday");
  f.bot.ReceiveLine({"Ann", "PC7", Loopback(7), 0x00A000}, "hello, bot");
  f.window->resize(900, 600);
  f.window->show();
  WindowFixture::Pump();

  ASSERT_TRUE(SaveScreenshot(f.window.get(), "tab0_log"));
  f.window->Tabs()->setCurrentIndex(2);
  ASSERT_TRUE(SaveScreenshot(f.window.get(), "tab2_about"));
  f.window->Tabs()->setCurrentIndex(1);
  QImage empty;
  for (int i = 0; i < SettingsPages::kPageCount; ++i) {
    f.window->Settings()->SelectNode(i);
    WindowFixture::Pump();
    ASSERT_EQ(f.window->Settings()->CurrentPage(), i);
    ASSERT_TRUE(SaveScreenshot(f.window.get(), "page" + std::to_string(i)));
    const QImage image = f.window->Settings()->Page(i)->grab().toImage();
    if (i == 0) empty = image;
    if (i != 0 && i != 3) {
      EXPECT_NE(image, empty) << i;
    }
  }

  // The birthday editor with its list and its input panel.
  games->birthdays.Table().Add({"Ann", "Team", 7, 12, 1990});
  games->birthdays.Table().Add({"Boris", "", 6, 12, 2000});
  games->birthdays.Table().Add({"Cid", "X", 2, 2, 1980});
  f.window->BirthdayEditor()->show();
  f.window->BirthdayEditor()->ShowRows();
  WindowFixture::Pump();
  ASSERT_TRUE(SaveScreenshot(f.window->BirthdayEditor(), "birthday_window"));
  f.window->BirthdayEditor()->AddButtonClick();
  WindowFixture::Pump();
  ASSERT_TRUE(SaveScreenshot(f.window->BirthdayEditor(), "birthday_window_panel"));
  f.window->BirthdayEditor()->CancelAddButtonClick();
  f.window->BirthdayEditor()->hide();

  // The subscriber dialog, its password masked.
  AddNewDialog dialog;
  dialog.User()->setText(QString::fromUtf8("Вася"));
  dialog.Password()->setText("secret");
  dialog.show();
  WindowFixture::Pump();
  ASSERT_TRUE(SaveScreenshot(&dialog, "subscriber_dialog"));
  // The About window.
  AboutDialog about;
  about.show();
  WindowFixture::Pump();
  ASSERT_TRUE(SaveScreenshot(&about, "about_window"));
  f.window.reset();
  games.reset();
}

}  // namespace
}  // namespace pelmo
