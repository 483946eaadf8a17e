// The window on a real X server: the outer test starts Xvfb (1024x768),
// the openbox window manager and the trayer notification area, then runs
// the inner tests of this same program there with -platform xcb. They hide
// the window into the icon by close and by minimise and bring it back;
// check the pages' fields with the X server's fonts; picture every page,
// dialog and message on the whole screen, title bars included; and start
// the real pelmobot-gui from a desktop's point of view: its window's title,
// a second copy's box, a working folder made at the first start, a missing
// one refused. The birthday editor is a dialog of the main window.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <cstdlib>
#include <memory>
#include <thread>

#include "core/bot.h"
#include "games/install_games.h"
#include "fakes/child_process.h"
#include "fakes/temp_dir.h"
#include "screenshot_scenes.h"
#include "ui/birthday_window.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

template <typename Done>
bool WaitFor(Done done, int ms = 8000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(10ms);
  }
  return done();
}

std::string SelfPath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

TEST(TrayUnderX, ShowsTheIconHidesAndRestoresTheWindow) {
  for (const char* program : {"Xvfb", "openbox", "trayer", "xwininfo", "xprop"}) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
      GTEST_SKIP() << program << " is not installed (scripts/install-deps.sh installs it)";
    }
  }
  int display = 91;
  while ((std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock") ||
          std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) &&
         display < 200) {
    ++display;
  }
  const std::string name = ":" + std::to_string(display);
  ChildProcess xvfb(QStandardPaths::findExecutable("Xvfb").toStdString(),
                    {name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 300 && !std::filesystem::exists(socket); ++i) std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(std::filesystem::exists(socket)) << "Xvfb did not start: "
                                  << (xvfb.ErrLines().empty() ? "" : xvfb.ErrLines().back());

  const char* oldDisplay = std::getenv("DISPLAY");
  const std::string saved = oldDisplay != nullptr ? oldDisplay : "";
  ::setenv("DISPLAY", name.c_str(), 1);
  ::setenv("PELMO_UNDER_X", "1", 1);
  // Under LeakSanitizer, the D-Bus library of the X11 platform keeps a
  // buffer to the end.
  const char* lsan = std::getenv("LSAN_OPTIONS");
  const std::string savedLsan = lsan != nullptr ? lsan : "";
  const std::string suppressions =
      std::string("suppressions=") + PELMO_SOURCE_DIR + "/tests/ui/lsan.supp";
  ::setenv("LSAN_OPTIONS", (savedLsan.empty() ? suppressions : savedLsan + ":" + suppressions).c_str(), 1);
  {
    ChildProcess openbox(QStandardPaths::findExecutable("openbox").toStdString(), {"--sm-disable"});
    std::this_thread::sleep_for(500ms);
    ChildProcess trayer(QStandardPaths::findExecutable("trayer").toStdString(),
                        {"--edge", "top", "--align", "right", "--widthtype", "request",
                         "--height", "32", "--transparent", "false"});
    std::this_thread::sleep_for(500ms);
    ChildProcess inner(SelfPath(), {"-platform", "xcb",
                                    "--gtest_filter=TrayUnderXInner.*:DesktopUnderXInner.*:"
                                    "ScreenshotsUnderXInner.*:PageLayoutTest.*"});
    const std::optional<int> status = inner.Wait(100s);
    std::string output;
    for (const std::string& line : inner.OutLines()) output += line + "\n";
    for (const std::string& line : inner.ErrLines()) output += line + "\n";
    EXPECT_EQ(status, std::optional<int>(0)) << output;
    EXPECT_NE(output.find("[  PASSED  ] 7 tests"), std::string::npos) << output;
    EXPECT_EQ(output.find("[  SKIPPED ]"), std::string::npos) << output;
    trayer.Signal(SIGTERM);
    openbox.Signal(SIGTERM);
    trayer.Wait(5s);
    openbox.Wait(5s);
  }
  ::unsetenv("PELMO_UNDER_X");
  if (savedLsan.empty()) {
    ::unsetenv("LSAN_OPTIONS");
  } else {
    ::setenv("LSAN_OPTIONS", savedLsan.c_str(), 1);
  }
  if (saved.empty()) {
    ::unsetenv("DISPLAY");
  } else {
    ::setenv("DISPLAY", saved.c_str(), 1);
  }
  xvfb.Signal(SIGTERM);
  xvfb.Wait(5s);
}

TEST(TrayUnderXInner, HidesIntoTheIconAndComesBack) {
  if (std::getenv("PELMO_UNDER_X") == nullptr) GTEST_SKIP() << "run by TrayUnderX only";
  ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
      << "trayer's notification area was not found";
  WindowFixture f;
  f.window->platform.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  f.bot.PrepareOffline();
  f.window->Settings();
  f.window->show();
  ASSERT_TRUE(WaitFor([&] { return f.window->isVisible() && f.window->isActiveWindow(); }));
  f.bot.bot().Stop();

  // Close from the title bar: the window goes, the icon comes.
  f.window->close();
  ASSERT_TRUE(WaitFor([&] { return !f.window->isVisible(); }));
  EXPECT_FALSE(f.window->Closed());
  EXPECT_TRUE(f.window->Tray()->isVisible());
  ASSERT_TRUE(WaitFor([&] { return f.window->Tray()->geometry().isValid(); }))
      << "the icon was not embedded in the notification area";
  std::this_thread::sleep_for(300ms);
  QApplication::processEvents();
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap picture = screen->grabWindow(0);
  ASSERT_FALSE(picture.isNull());
  const char* dir = std::getenv("PELMO_SCREENSHOT_DIR");
  picture.save(QString::fromUtf8(dir != nullptr ? dir : "/tmp") + "/x11_tray.png");

  // A double click on the icon brings the window back.
  emit f.window->Tray()->activated(QSystemTrayIcon::DoubleClick);
  ASSERT_TRUE(WaitFor([&] { return f.window->isVisible(); }));
  EXPECT_FALSE(f.window->Tray()->isVisible());

  // Minimise through the window manager: hidden into the icon again.
  f.window->showMinimized();
  ASSERT_TRUE(WaitFor([&] { return !f.window->isVisible(); }));
  EXPECT_TRUE(f.window->Tray()->isVisible());
  f.window->ShowMMClick();
  ASSERT_TRUE(WaitFor([&] { return f.window->isVisible() && !f.window->isMinimized(); }));
}

// The whole screen as the operator sees it, once widget is on it.
bool ShootScreen(QWidget* widget, const std::string& name) {
  if (widget != nullptr) {
    QWidget* window = widget->window();
    window->raise();
    window->activateWindow();
    if (!QTest::qWaitForWindowExposed(window)) return false;
  }
  // Painted, framed and placed by the window manager.
  QTest::qWait(400);
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
  const char* dir = std::getenv("PELMO_SCREENSHOT_DIR");
  const QString folder = QString::fromUtf8(dir != nullptr ? dir : "/tmp");
  QDir().mkpath(folder);
  return !picture.isNull() &&
         picture.save(folder + "/x11_" + QString::fromStdString(name) + ".png");
}

// The titles of the top-level windows of the X server.
QStringList WindowTitles() {
  QProcess xwininfo;
  xwininfo.start("xwininfo", {"-root", "-tree"});
  xwininfo.waitForFinished(10000);
  QStringList titles;
  for (const QString& line : QString::fromUtf8(xwininfo.readAllStandardOutput()).split('\n')) {
    const qsizetype open = line.indexOf(" \"");
    const qsizetype close = line.indexOf("\":", open + 2);
    if (open >= 0 && close > open) titles << line.mid(open + 2, close - open - 2);
  }
  return titles;
}

bool WaitForWindows(const QString& title, qsizetype count) {
  return QTest::qWaitFor([&] { return WindowTitles().count(title) >= count; }, 15000);
}

// On a Russian desktop, as its operators have it.
std::unique_ptr<ChildProcess> StartGui(const std::string& program, const std::string& dir) {
  return std::make_unique<ChildProcess>(
      "/usr/bin/env", std::vector<std::string>{"LANG=ru_RU.UTF-8", "LC_ALL=", "LANGUAGE=", program,
                                               "-platform", "xcb", "--dir", dir});
}

TEST(DesktopUnderXInner, TheRealProgramsTitlesAndBoxes) {
  if (std::getenv("PELMO_UNDER_X") == nullptr) GTEST_SKIP() << "run by TrayUnderX only";
  const QString title = "Pelmo_bot v 1.3";
  TempDir dir;
  dir.WriteFile("Net.ini", LoopbackNetIni(FindFreeLoopbackPort(), {"EnableBot=0"}));
  std::unique_ptr<ChildProcess> first = StartGui(PELMOBOT_GUI_PATH, dir.Path());
  ASSERT_TRUE(WaitForWindows(title, 1)) << WindowTitles().join(", ").toStdString();
  // The title is the program's own, not repeated after a dash.
  for (const QString& shown : WindowTitles()) {
    EXPECT_FALSE(shown.contains(title) && shown != title) << shown.toStdString();
  }
  EXPECT_TRUE(ShootScreen(nullptr, "gui_switched_off"));

  // A second copy on the folder: a box says why it does not start.
  std::unique_ptr<ChildProcess> second = StartGui(PELMOBOT_GUI_PATH, dir.Path());
  ASSERT_TRUE(WaitForWindows(title, 2)) << WindowTitles().join(", ").toStdString();
  EXPECT_TRUE(ShootScreen(nullptr, "gui_second_copy_box"));
  second->Signal(SIGTERM);
  EXPECT_EQ(second->Wait(10s), std::optional<int>(1));
  first->Signal(SIGTERM);
  EXPECT_EQ(first->Wait(10s), std::optional<int>(0));
  ASSERT_TRUE(QTest::qWaitFor([&] { return WindowTitles().count(title) == 0; }, 10000));

  // A first start from the desktop: the folder is made from the installed
  // one, and the window says so.
  TempDir root;
  namespace fs = std::filesystem;
  fs::create_directories(root.FilePath("usr/bin"));
  fs::create_directories(root.FilePath("usr/share/pelmobot"));
  fs::copy_file(PELMOBOT_GUI_PATH, root.FilePath("usr/bin/pelmobot-gui"));
  fs::copy(std::string(PELMO_SOURCE_DIR) + "/dist/workdir", root.FilePath("usr/share/pelmobot/workdir"),
           fs::copy_options::recursive);
  root.WriteFile("usr/share/pelmobot/workdir/Net.ini",
                 LoopbackNetIni(FindFreeLoopbackPort(), {"EnableBot=0"}));
  std::unique_ptr<ChildProcess> created =
      StartGui(root.FilePath("usr/bin/pelmobot-gui"), root.FilePath("home/.local/share/pelmobot"));
  ASSERT_TRUE(WaitForWindows(title, 1));
  EXPECT_TRUE(root.Exists("home/.local/share/pelmobot/Net.ini"));
  EXPECT_TRUE(ShootScreen(nullptr, "gui_created_working_folder"));
  created->Signal(SIGTERM);
  EXPECT_EQ(created->Wait(10s), std::optional<int>(0));
  ASSERT_TRUE(QTest::qWaitFor([&] { return WindowTitles().count(title) == 0; }, 10000));

  // No folder and none installed: refused in a box.
  std::unique_ptr<ChildProcess> missing = StartGui(PELMOBOT_GUI_PATH, root.FilePath("nowhere"));
  ASSERT_TRUE(WaitForWindows(title, 1));
  EXPECT_TRUE(ShootScreen(nullptr, "gui_missing_folder_box"));
  missing->Signal(SIGTERM);
  EXPECT_EQ(missing->Wait(10s), std::optional<int>(1));
}

TEST(DesktopUnderXInner, TheBirthdayEditorIsADialogOfTheMainWindow) {
  if (std::getenv("PELMO_UNDER_X") == nullptr) GTEST_SKIP() << "run by TrayUnderX only";
  WindowFixture f;
  std::unique_ptr<Games> games = InstallGames(f.bot.services());
  f.window->AddGamePages(*games);
  f.bot.PrepareOffline();
  f.window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
  BirthdayWindow* editor = f.window->BirthdayEditor();
  editor->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(editor->winId()), "WM_TRANSIENT_FOR"});
  ASSERT_TRUE(xprop.waitForFinished(10000));
  const QString transient = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  EXPECT_TRUE(transient.endsWith("0x" + QString::number(f.window->winId(), 16))) << transient.toStdString();
  // Raising the main window leaves the editor in front of it.
  f.window->raise();
  f.window->activateWindow();
  EXPECT_TRUE(ShootScreen(editor, "birthday_editor_in_front"));
  f.window.reset();
  games.reset();
}

TEST(ScreenshotsUnderXInner, EveryTabPageDialogAndMessage) {
  if (std::getenv("PELMO_UNDER_X") == nullptr) GTEST_SKIP() << "run by TrayUnderX only";
  ShootEveryScene(ShootScreen);
}

}  // namespace
}  // namespace pelmo
