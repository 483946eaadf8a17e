#include "screenshot_scenes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "fakes/udp_peer.h"
#include "core/bot.h"
#include "core/bot_settings.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "ui/about_dialog.h"
#include "ui/birthday_window.h"
#include "ui/chatterbox_page.h"
#include "ui/error_report.h"
#include "ui/qt_translations.h"
#include "ui/settings_pages.h"
#include "ui/subscriber_page.h"
#include "ui/window_platform.h"
#include "window_fixture.h"

namespace pelmo {

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

// A helper program first on PATH that ends with status 3, as xdg-open and
// xdg-email do when nothing can open the document or the mail.
class MissingHelper {
 public:
  explicit MissingHelper(const char* name) {
    m_dir.WriteFile(name, "#!/bin/sh\nexit 3\n");
    ::chmod(m_dir.FilePath(name).c_str(), 0755);
    const char* path = std::getenv("PATH");
    m_saved = path != nullptr ? path : "";
    ::setenv("PATH", (m_dir.Path() + ":" + m_saved).c_str(), 1);
  }
  ~MissingHelper() { ::setenv("PATH", m_saved.c_str(), 1); }

 private:
  TempDir m_dir;
  std::string m_saved;
};

// The window on a whole bot with the desktop's own boxes, a loopback
// folder with some of everything, and the pages of the features.
struct Scene {
  explicit Scene(BotFixtureOptions options = {}) : f(std::move(options)) {
    f.window->platform = DefaultWindowPlatform(f.window.get());
    f.window->platform.trayAvailable = [] { return false; };
    f.window->platform.reportError = [](const std::exception& e) { ADD_FAILURE() << e.what(); };
    f.bot.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nEVILPC=31.12.2026 23:59:00\r\n"
                                           "KEEP=01.01.2030 00:00:00\r\n");
    f.bot.dir.WriteFile("botfile/boltun.txt", W("привет^Здорово!\r\nкак дела^Отлично!\r\n"));
    f.bot.dir.WriteFile("botfile/admin.txt", "Boss#BOSSPC\r\n");
    services = InstallServices(f.bot.services());
    games = InstallGames(f.bot.services());
    f.window->AddServicePages(*services);
    f.window->AddGamePages(*games);
    timed = std::make_unique<TimedFeatures>(f.bot.services(), [] {});
    InstallTimedFeatures(f.bot.services(), *timed);
    f.window->AddTimedPages(*timed);
    f.window->show();
  }
  ~Scene() {
    f.window.reset();
    games.reset();
  }
  void Page(int node) {
    f.window->Tabs()->setCurrentIndex(1);
    f.window->Settings()->SelectPage(SettingsPageDefs()[static_cast<std::size_t>(node)].id);
    WindowFixture::Pump();
  }

  WindowFixture f;
  std::unique_ptr<InstalledServices> services;
  std::unique_ptr<Games> games;
  std::unique_ptr<TimedFeatures> timed;
};

}  // namespace

bool ShootModal(const Shoot& shoot, const std::string& name, const std::function<void()>& action) {
  bool shot = false;
  int seen = 0;
  QTimer timer;
  timer.setInterval(25);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool shown = modal != nullptr && modal->windowHandle() != nullptr &&
                       modal->windowHandle()->isExposed();
    // A few ticks on screen: the window manager has framed and placed it.
    if (!shown || ++seen < 8) return;
    timer.stop();
    shot = shoot(modal, name);
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  });
  timer.start();
  action();
  const bool done = QTest::qWaitFor([&] { return shot; }, 10000);
  timer.stop();
  return done;
}

void ShootEveryScene(const Shoot& shoot) {
  QTranslator* russian = InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
  EXPECT_NE(russian, nullptr);
  {
    // A switched-off bot: the log names the start button; the console line
    // typed while stopped stays, and the log says why.
    Scene s({{"EnableBot=0"}});
    s.f.window->FormCreate();
    s.f.window->Note(Q("Рабочей папки /home/operator/.local/share/pelmobot не было: она создана из "
                       "/usr/share/pelmobot/workdir. Настройки бота — на вкладке «Настройки»."));
    auto* console = s.f.Find<QLineEdit>("ConsoleInputE");
    console->setText(Q("Всем привет"));
    s.f.window->ConsoleInputEnter();
    WindowFixture::Pump();
    EXPECT_TRUE(shoot(s.f.window.get(), "log_switched_off_console_refused"));
  }

  // Starts that fail: the port held by another program, a group that is
  // none. The box says why and what to do; the log and the panel agree.
  struct Failure {
    const char* name;
    std::vector<std::pair<std::string, std::string>> changes;
  };
  const Failure failures[] = {
      {"port_held", {{"REUSEADDR=1", "REUSEADDR=0"}}},
      {"not_a_group",
       {{"MultiCast=0", "MultiCast=1"}, {"netaddr=127.255.255.255", "netaddr=10.1.1.1"}}},
  };
  for (const Failure& failure : failures) {
    const std::string name = failure.name;
    Scene failed({{"EnableBot=0"}});
    std::string netIni = LoopbackNetIni(failed.f.bot.Port(), {"EnableBot=0"});
    netIni.replace(netIni.find("REUSEADDR=1"), 11, "REUSEADDR=0");
    for (const auto& [from, to] : failure.changes) {
      if (netIni.find(from) != std::string::npos) netIni.replace(netIni.find(from), from.size(), to);
    }
    failed.f.bot.dir.WriteFile("Net.ini", netIni);
    UdpPeer holder;
    EXPECT_TRUE(holder.Bind(0, failed.f.bot.Port(), /*reuse=*/false));
    failed.f.window->FormCreate();
    EXPECT_TRUE(ShootModal(shoot, "box_start_" + name,
                           [&] { failed.f.window->StartTBClick(); }));
    WindowFixture::Pump();
    EXPECT_TRUE(shoot(failed.f.window.get(), "log_start_" + name));
  }
  {
    // A save into a folder that cannot take the file: the bot goes on.
    Scene refused;
    refused.f.bot.RecordSends(true);
    refused.f.window->FormCreate();
    ::unlink(refused.f.bot.dir.FilePath("others.ini").c_str());
    refused.f.bot.dir.WriteFile("others.ini/blocker", "");
    refused.Page(1);
    EXPECT_TRUE(ShootModal(shoot, "box_save_refused", [&] {
      refused.f.Find<QPushButton>("SaveCfgB")->click();
    }));
    EXPECT_TRUE(refused.f.bot.bot().Running());
    refused.f.bot.bot().Stop();
  }

  Scene s;
  s.f.bot.RecordSends(true);
  s.f.window->FormCreate();
  EXPECT_TRUE(s.f.bot.bot().Running());
  s.f.bot.loop.Advance(std::chrono::milliseconds(1000));
  s.f.bot.ReceivePresence({"Ann", "PC7", Loopback(7)});
  s.f.bot.ReceivePresence({"Bob", "PC9", Loopback(9)});
  s.f.bot.ReceiveTopic({"Ann", "PC7", Loopback(7)}, "Pelmeni on Friday");
  s.f.bot.ReceiveLine({"Ann", "PC7", Loopback(7), 0x00A000}, "hello, bot");
  WindowFixture::Pump();
  EXPECT_TRUE(shoot(s.f.window.get(), "tab0_log"));
  s.f.window->Tabs()->setCurrentIndex(2);
  EXPECT_TRUE(shoot(s.f.window.get(), "tab2_about"));

  for (int i = 0; i < SettingsPages::kPageCount; ++i) {
    s.Page(i);
    EXPECT_TRUE(shoot(s.f.window.get(), "page" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
  }
  // The chat page with a nick and a computer name of 20 characters.
  s.Page(1);
  s.f.Find<QLineEdit>("HostE")->setText(Q("КОМПЬЮТЕР-БУХГАЛТЕР1"));
  s.f.Find<QLineEdit>("NickE")->setText(Q("@Пельмешка_Сибирская"));
  EXPECT_TRUE(shoot(s.f.window.get(), "page01_chat_long_names"));
  s.f.Find<QPushButton>("LoadCfgB")->click();

  // The stock dialogs, in Russian.
  EXPECT_TRUE(ShootModal(shoot, "dialog_topic_input", [&] { s.f.window->TopicLClick(); }));
  s.Page(2);
  EXPECT_TRUE(ShootModal(shoot, "dialog_colour", [&] { s.f.Find<QPushButton>("NickColB")->click(); }));

  // The ban page's refusals.
  s.Page(5);
  s.f.Find<QLineEdit>("HostBanLE")->setText("BADPC");
  ::unlink(s.f.bot.dir.FilePath("botfile/ban.txt").c_str());
  s.f.bot.dir.WriteFile("botfile/ban.txt/blocker", "");
  EXPECT_TRUE(ShootModal(shoot, "box_ban_refused", [&] { s.f.Find<QPushButton>("AddBanB")->click(); }));
  ::unlink(s.f.bot.dir.FilePath("botfile/ban.txt/blocker").c_str());
  ::rmdir(s.f.bot.dir.FilePath("botfile/ban.txt").c_str());
  s.f.bot.dir.WriteFile("botfile/ban.txt", "[BanList]\r\nEVILPC=31.12.2026 23:59:00\r\n");
  // A time already past (the clock stands at 06.12.2026 18:05:07).
  s.f.Find<QDateEdit>("DateTimePicker2")->setDate(QDate(2026, 12, 6));
  s.f.Find<QLineEdit>("TimebanME")->setText("00:00:00");
  EXPECT_TRUE(ShootModal(shoot, "box_ban_past", [&] { s.f.Find<QPushButton>("AddBanB")->click(); }));
  auto* bans = s.f.Find<QListWidget>("ListBan");
  s.f.window->Settings()->SelectPage(PageId::kNetwork);
  s.Page(5);
  bans->setCurrentRow(1);
  EXPECT_TRUE(ShootModal(shoot, "box_ban_delete_question",
                         [&] { s.f.Find<QPushButton>("DelBanB")->click(); }));

  // The chatterbox: a row that could not be read back.
  s.Page(7);
  auto* grid = s.f.Find<QTableWidget>("AQvle");
  grid->item(1, 0)->setText("a^b");
  EXPECT_TRUE(shoot(s.f.window.get(), "page07_chatterbox_edited"));
  EXPECT_TRUE(ShootModal(shoot, "box_chatterbox_refused", [&] { s.f.Find<QPushButton>("Button1")->click(); }));
  s.f.Find<QPushButton>("LoadCfgB")->click();

  // Help and the error mail without their programs.
  {
    MissingHelper noBrowser("xdg-open");
    EXPECT_TRUE(ShootModal(shoot, "box_help_no_browser", [&] { s.f.window->HelpClick(); }));
  }
  {
    MissingHelper noMail("xdg-email");
    ErrorReporter reporter(s.f.bot.bot().GetClock(), s.f.bot.bot().Settings(),
                           s.f.bot.dir.FilePath("Errors"), "pelmobot-gui", kAppTitle);
    EXPECT_TRUE(ShootModal(shoot, "box_error_report", [&] {
      reporter.Report(W("Неверное значение в поле"), s.f.window.get(), s.f.window.get());
    }));
    // Answered Yes: no mail program takes the mail.
    reporter.platform.askYesNo = [](const QString&, const QString&) { return true; };
    EXPECT_TRUE(ShootModal(shoot, "box_mail_no_program", [&] {
      reporter.Report(W("Файл не записан"), s.f.window.get(), s.f.window.get());
    }));
  }

  // The birthday editor in front of the window, its panel and its refusal.
  s.games->birthdays.Table().Add({"Ann", "Team", 7, 12, 1990});
  s.games->birthdays.Table().Add({"Boris", "", 6, 12, 2000});
  s.Page(11);
  s.f.Find<QPushButton>("ShowBDB")->click();
  BirthdayWindow* editor = s.f.window->BirthdayEditor();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(editor));
  EXPECT_TRUE(shoot(editor, "birthday_editor"));
  editor->AddButtonClick();
  editor->Field(0)->setText("Cid");
  editor->Field(2)->setText("x");
  editor->Field(3)->setText("2");
  editor->Field(4)->setText("1980");
  WindowFixture::Pump();
  EXPECT_TRUE(shoot(editor, "birthday_panel"));
  EXPECT_TRUE(ShootModal(shoot, "box_birthday_refused", [&] { editor->OKAddButtonClick(); }));
  editor->CancelAddButtonClick();
  editor->hide();

  // The subscriber dialog and the About windows.
  EXPECT_TRUE(ShootModal(shoot, "dialog_subscriber", [&] {
    AddNewDialog dialog(s.f.window.get());
    dialog.User()->setText(Q("Вася"));
    dialog.Password()->setText("secret");
    dialog.exec();
  }));
  EXPECT_TRUE(ShootModal(shoot, "dialog_about_window", [&] { s.f.window->AboutFormClick(); }));
  EXPECT_TRUE(ShootModal(shoot, "box_about", [&] { s.f.window->AboutBoxClick(); }));

  // Save takes the bot off the chat: said, with its start one click away.
  s.Page(1);
  EXPECT_TRUE(ShootModal(shoot, "box_save_stopped_the_bot", [&] {
    s.f.Find<QPushButton>("SaveCfgB")->click();
  }));
  s.f.window->Tabs()->setCurrentIndex(0);
  WindowFixture::Pump();
  EXPECT_TRUE(shoot(s.f.window.get(), "tab0_log_after_save"));

  QCoreApplication::removeTranslator(russian);
  delete russian;
}

}  // namespace pelmo
