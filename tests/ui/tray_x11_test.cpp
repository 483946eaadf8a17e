// The notification icon on a real X server: the outer test starts Xvfb,
// the openbox window manager and the trayer notification area, then runs
// the inner test of this same program there with -platform xcb. The inner
// test hides the window into the icon by close and by minimise and brings
// it back, and saves a picture of the screen with the icon.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <memory>
#include <thread>

#include "core/bot.h"
#include "fakes/child_process.h"
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
  for (const char* program : {"Xvfb", "openbox", "trayer"}) {
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
                    {name, "-screen", "0", "800x600x24", "-nolisten", "tcp"});
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
    ChildProcess inner(SelfPath(), {"-platform", "xcb", "--gtest_filter=TrayUnderXInner.*"});
    const std::optional<int> status = inner.Wait(60s);
    std::string output;
    for (const std::string& line : inner.OutLines()) output += line + "\n";
    for (const std::string& line : inner.ErrLines()) output += line + "\n";
    EXPECT_EQ(status, std::optional<int>(0)) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
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
  f.bot.bot().StopTBClick();

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

}  // namespace
}  // namespace pelmo
