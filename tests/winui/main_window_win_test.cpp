// The Windows control window as the operator meets it: the tool bar, the
// log page with its console line and user list, the status panels, the
// tray and the close of the program, on a real bot on loopback.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/bot_faces.h"
#include "winui/controls_win.h"
#include "winui/gui_fixture_win.h"
#include "winui/settings_tab_win.h"
#include "winui/tray_win.h"

namespace pelmo::winui {
namespace {

bool LogHas(GuiFixture& f, const std::wstring& text) {
  return f.window->LogText().find(text) != std::wstring::npos;
}

TEST(WinMainWindow, StartsAndStopsFromTheToolBarAndCountsTheRunOnExit) {
  GuiFixture f;
  // Net.ini leaves the bot on: it started with the window.
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  EXPECT_TRUE(LogHas(f, L"Started."));
  // The count goes with the list (on loopback the bot hears itself).
  const auto users = ::SendMessageW(f.Named("UsrLB"), LB_GETCOUNT, 0, 0);
  EXPECT_EQ(f.window->StatusPanel(0), L"Users: " + std::to_wstring(users));
  EXPECT_TRUE(Snap(f.window->Window(), "win-log-page"));

  f.Menu(kStopTb);
  EXPECT_EQ(f.window->StatusPanel(2), L"Stoped");
  EXPECT_TRUE(LogHas(f, L"Stoped."));
  f.Menu(kClearLogTB);
  EXPECT_EQ(f.window->LogText(), L"");
  EXPECT_EQ(::GetFocus(), f.Named("ConsoleInputE"));

  // A line typed while the bot is stopped stays, and the log says why.
  f.Type("ConsoleInputE", L"привет");
  ::SendMessageW(f.Named("ConsoleInputE"), WM_KEYDOWN, VK_RETURN, 0);
  f.Settle();
  EXPECT_EQ(GetText(f.Named("ConsoleInputE")), L"привет");
  EXPECT_TRUE(LogHas(f, L"Строка не отправлена: бот не в чате."));

  f.Menu(kStartTB);
  EXPECT_EQ(f.window->StatusPanel(2), L"Running");
  ::SendMessageW(f.Named("ConsoleInputE"), WM_KEYDOWN, VK_RETURN, 0);
  f.Settle();
  EXPECT_EQ(GetText(f.Named("ConsoleInputE")), L"");

  f.Menu(kExitMM);
  EXPECT_TRUE(f.window->Closed());
  EXPECT_TRUE(f.loop->QuitRequested());
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
  EXPECT_NE(f.File("botfile/log.txt").find(W("привет")), std::string::npos);
}

// The tool bar's hints are its buttons' tooltips.
TEST(WinMainWindow, TheToolBarsButtonsHaveTheirHintsAsTooltips) {
  GuiFixture f;
  const HWND toolBar = f.Named("ToolBar1");
  const auto tips = reinterpret_cast<HWND>(::SendMessageW(toolBar, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tips, nullptr);
  std::vector<std::wstring> texts;
  for (const int id : {kStartTB, kStopTb, kClearLogTB, kRefreshUsrList}) {
    wchar_t text[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = toolBar;
    tool.uId = static_cast<UINT_PTR>(id);
    tool.lpszText = text;
    ::SendMessageW(tips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    texts.push_back(text);
  }
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Запустить бота", L"Остановить бота",
                                              L"Очистить лог",
                                              L"Обновить список пользователей."}));
}

TEST(WinMainWindow, HidesIntoTheTrayOnceStartedAndComesBack) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  ::SendMessageW(f.window->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  f.Settle();
  EXPECT_FALSE(::IsWindowVisible(f.window->Window()));
  EXPECT_FALSE(f.window->Closed());
  Tray& tray = f.window->TrayIcon();
  EXPECT_TRUE(tray.Shown());
  const std::wstring users =
      std::to_wstring(::SendMessageW(f.Named("UsrLB"), LB_GETCOUNT, 0, 0));
  EXPECT_EQ(tray.Tip(), L"[Pelmo_bot v 1.3]\nUser: " + users);

  // The icon's menu: stop, then the tip says so.
  f.Menu(kStop_Bot);
  EXPECT_EQ(tray.Tip(), L"Pelmo_bot v 1.3 - [Stoped]");
  EXPECT_FALSE(tray.RunningPicture());
  f.Menu(kN6);
  EXPECT_EQ(tray.Tip().substr(0, 22), L"Pelmo_bot v 1.3\nUser: ");
  EXPECT_TRUE(tray.RunningPicture());

  // A double click on the icon brings the window back.
  ::SendMessageW(f.window->Window(), Tray::kCallbackMessage, Tray::kIconId, WM_LBUTTONDBLCLK);
  f.Settle();
  EXPECT_TRUE(::IsWindowVisible(f.window->Window()));
  EXPECT_FALSE(tray.Shown());

  // Minimise hides it as well; "Выход" ends the program.
  ::SendMessageW(f.window->Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  f.Settle();
  EXPECT_FALSE(::IsWindowVisible(f.window->Window()));
  EXPECT_TRUE(tray.Shown());
  f.Menu(kExitTM);
  EXPECT_TRUE(f.window->Closed());
  EXPECT_FALSE(tray.Shown());
}

TEST(WinMainWindow, BeforeTheFirstStartMinimiseMinimisesAndCloseCloses) {
  GuiFixture f({.chatKeys = {"EnableBot=0"}, .files = {}});
  EXPECT_EQ(f.window->StatusPanel(2), L"");
  EXPECT_TRUE(LogHas(f, L"Бот выключен: в файле Net.ini, раздел [chat], стоит EnableBot=0."));
  ::SendMessageW(f.window->Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  f.Settle();
  EXPECT_TRUE(::IsIconic(f.window->Window()));
  EXPECT_FALSE(f.window->TrayIcon().Shown());
  ::ShowWindow(f.window->Window(), SW_RESTORE);
  ::SendMessageW(f.window->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  f.Settle();
  EXPECT_TRUE(f.window->Closed());
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
}

TEST(WinMainWindow, TheSessionsEndClosesTheBotCleanly) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  EXPECT_EQ(::SendMessageW(f.window->Window(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_FALSE(f.window->Closed());
  ::SendMessageW(f.window->Window(), WM_ENDSESSION, TRUE, 0);
  // Done before the message returns: the system may end the process then.
  EXPECT_TRUE(f.window->Closed());
  EXPECT_TRUE(LogHas(f, L"Stoped."));
  EXPECT_EQ(IniFile(f.dir.FilePath("others.ini")).ReadInteger("start", "CountStart", -1), 1);
}

TEST(WinMainWindow, TheTopicIsAskedForAndSentInCapitals) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  f.window->platform.askText = [](const std::wstring& title, const std::wstring& prompt) {
    return InputBox(nullptr, title, prompt);
  };
  const bool opened = RunWithModal([&] { ::SendMessageW(f.window->Window(), WM_COMMAND,
                                                         MAKEWPARAM(ControlId("TopicL"), STN_CLICKED),
                                                         reinterpret_cast<LPARAM>(f.Named("TopicL"))); },
                                   "win-topic-box", [](HWND box) {
    EXPECT_EQ(GetText(box), L"Добавить топик");
    ::SetWindowTextW(ChildNamed(box, "InputE"), L"pelmeni для всех");
    ::SendMessageW(ChildNamed(box, "OkB"), BM_CLICK, 0, 0);
  });
  ASSERT_TRUE(opened);
  // The bot hears its own topic packet on loopback and shows it.
  EXPECT_TRUE(f.Pump([&] { return GetText(f.Named("TopicL")).find(L"PELMENI для всех (@Pelmo_bot") == 0; }))
      << GetText(f.Named("TopicL"));
}

// A line break inside a chat line stays in its entry, indented, so that a
// second line cannot pose as a log entry; the oldest entry goes whole.
TEST(WinMainWindow, ALineBreakInAChatLineStaysInsideItsEntry) {
  GuiFixture f;
  ASSERT_TRUE(f.Pump([&] { return f.window->StatusPanel(2) == L"Running"; }));
  f.window->Model().ClearLog();
  WindowModel& model = f.window->Model();
  model.OnLogLine("[10:00] ", "A: one\r\n[10:01] B: two\nthree", 0);
  EXPECT_EQ(f.window->LogText(), L"[10:00] A: one\r\n    [10:01] B: two\r\n    three");
  for (int i = 0; i < 5000; ++i) model.OnLogLine("[10:02] ", "n" + std::to_string(i), 0);
  const std::wstring log = f.window->LogText();
  EXPECT_EQ(log.substr(0, 14), L"[10:02] n0\r\n[1");
  EXPECT_EQ(log.find(L"three"), std::wstring::npos);
}

}  // namespace
}  // namespace pelmo::winui
