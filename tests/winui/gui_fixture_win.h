// The Windows control window in this process on a whole bot: a temporary
// working folder with its own loopback Net.ini, the program layer, the
// real MainWindow with every page, shown on the display (wine's on Xvfb in
// the Windows leg). Tests drive it as the operator does, with messages to
// its controls, and wait for what the bot writes. Boxes that would block
// are recorded, or driven while they are open (RunWithModal).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "fakes/temp_dir.h"
#include "pages/page_defs.h"
#include "program/program.h"
#include "winui/main_window_win.h"
#include "winui/win_event_loop_win.h"

namespace pelmo::winui {

struct FixtureOptions {
  // Lines added to Net.ini's [chat] section (EnableBot=0 ...).
  std::vector<std::string> chatKeys;
  // Files written before the program starts (name, bytes).
  std::vector<std::pair<std::string, std::string>> files;
};

class GuiFixture {
 public:
  explicit GuiFixture(FixtureOptions options = {});
  ~GuiFixture();

  TempDir dir;
  SystemClock clock;
  std::unique_ptr<WinEventLoop> loop;
  std::unique_ptr<Program> program;
  std::unique_ptr<MainWindow> window;
  std::uint16_t port = 0;

  // What the platform's boxes were asked (title + "|" + text).
  std::vector<std::wstring> warnings;
  std::vector<std::wstring> actionsAsked;
  bool actionAnswer = false;

  HWND Named(const char* name) const;
  // Runs the thread's messages until done() or the time is up.
  bool Pump(const std::function<bool()>& done,
            std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Lets the messages queued now be handled.
  void Settle();
  // Operator's actions: a click, text typed into a field (the change
  // notifications follow as for typing), a key into a field, a tree node.
  void Click(const char* name);
  void Type(const char* name, const std::wstring& text);
  void Char(const char* name, wchar_t key);
  void SelectPage(PageId id);
  void Menu(int command);
  // The working folder's file as bytes; "" when missing.
  std::string File(const std::string& name) const;
};

// Runs action, which opens a modal window; once it is up, saves its
// picture as <shot>.png (when shot is not empty) and hands it to drive,
// which must close it. Returns false when no modal window came up.
bool RunWithModal(const std::function<void()>& action, const std::string& shot,
                  const std::function<void(HWND modal)>& drive);

// The folder of the pictures (PELMO_SCREENSHOT_DIR, or "screenshots").
std::wstring ScreenshotDir();
// Saves window's picture as <name>.png there; false when it cannot.
bool Snap(HWND window, const std::string& name);

// A child of a top-level window by component name, or by its text (a
// button of a system box).
HWND ChildNamed(HWND top, const char* name);
HWND ChildWithText(HWND top, const std::wstring& text);

}  // namespace pelmo::winui
