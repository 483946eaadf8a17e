// The control window on Windows ("Pelmo_bot v 1.3"): the tool bar with the
// topic label, the tabs "&Лог" (console line, coloured log, user list),
// "&Настройки" (settings tree and pages) and "О програ&мме", the four
// status panels, the menus and the notification icon. It draws the window
// model (pages/window_model.h) and hands it the operator's actions; what
// the window shows and decides is the model's. The end of the session
// closes the program before the system ends the process. Main thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/bot_faces.h"
#include "pages/window_model.h"
#include "winui/win_platform_win.h"

namespace pelmo {
class Games;
struct InstalledServices;
class TimedFeatures;
class WinEventLoop;
}  // namespace pelmo

namespace pelmo::winui {

class BirthdayEditor;
class SettingsTab;
class Tray;

// The window class of the control window: another process finds the
// running window program by it (pelmobot-gui --stop).
inline constexpr wchar_t kMainWindowClass[] = L"PelmoMainForm";

// The tabs.
inline constexpr int kLogTab = 0;
inline constexpr int kSettingsTab = 1;
inline constexpr int kAboutTab = 2;

// Menu and tray menu commands.
enum MenuCommand : int {
  kExitMM = 101,
  kHelpMM = 102,
  kAboutMM = 103,
  kStartTB = 111,
  kStopTb = 112,
  kClearLogTB = 113,
  kRefreshUsrList = 114,
  kN6 = 121,        // "Запустить Бота"
  kStop_Bot = 122,  // "Остановить Бота"
  kShowMM = 123,    // "Развернуть"
  kHelpTM = 124,    // "Справка"
  kAboutTM = 125,   // "О программе"
  kExitTM = 126,    // "Выход"
};

class MainWindow final : public WindowScreen {
 public:
  // Creates the (hidden) window; programDir: where help/ is looked for.
  // The platform defaults to the system's dialogs; replace its members
  // before use.
  MainWindow(BotFaces bot, WinEventLoop& loop, std::wstring programDir);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The pages of the installed services (ban list, subscribers), of the
  // games (chatterbox, birthday editor) and of the timed features
  // (weather, anecdote countdown). Call once each, before FormCreate.
  void AddServicePages(InstalledServices& services);
  void AddGamePages(Games& games);
  void AddTimedPages(TimedFeatures& timed);
  // What the window does at the program's start, after the bot's
  // Open: the pages' own start steps, the settings shown
  // (Program::Start runs it).
  void ShowStarted();
  // The program's start sequence for a window without a Program (tests):
  // the bot's Open, ShowStarted, the model told.
  void FormCreate();
  // A line of the window's own in the log, not written to the log file.
  void Note(const std::wstring& text, std::uint32_t color = WindowModel::kNoteColor);
  // Ends the program: the icon removed, the loop told to quit, the bot's
  // close (once).
  void CloseProgram();
  bool Closed() const { return m_model.Closed(); }
  WindowModel& Model() { return m_model; }

  // The operations of the tool bar, menus and icon.
  void StartTBClick();
  void StopTBClick();
  void ClearLogTBClick();
  void RefreshUsrListClick();
  void TopicLClick();
  void ConsoleInputEnter();
  void UsrLBClick(int row);
  void N6Click();
  void Stop_BotClick();
  void ShowMMClick();
  void HelpClick();
  void AboutBoxClick();
  void AboutFormClick();
  // The title bar's minimise (close false) and close.
  void SystemCommand(bool close);
  void SelectTab(int tab);

  // WindowScreen.
  void LineAdded(const WindowLine& line) override;
  void LinesCleared() override;
  void UsersChanged() override;
  void PanelChanged(int panel) override;
  void TopicChanged() override;
  void TrayChanged() override;
  void ShowBox(const std::string& text) override;
  void ShowLogPage() override;
  void FocusConsole() override;
  void HideToTray() override;
  void Minimise() override;
  void Quit() override;

  HWND Window() const { return m_window; }
  // A control of the window or of its pages by component name.
  HWND Named(const char* name) const;
  SettingsTab& Settings() { return *m_settings; }
  Tray& TrayIcon() { return *m_tray; }
  // The status panel's text.
  std::wstring StatusPanel(int index) const;
  // The log's text, lines ending with "\r".
  std::wstring LogText() const;
  int CurrentTab() const;
  // The menu bar and the icon's menu.
  HMENU MainMenu() const { return m_menu; }
  BirthdayEditor* Birthdays() const { return m_birthdayEditor.get(); }

  WinPlatform platform;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildToolBar();
  void BuildTabs();
  void BuildLogPage();
  void BuildAboutPage();
  void BuildStatusBar();
  void BuildMenus();
  void Layout();
  void Command(int id);

  BotFaces m_bot;
  WinEventLoop& m_loop;
  WindowModel m_model;
  std::wstring m_programDir;
  HWND m_window = nullptr;
  HMENU m_menu = nullptr;
  HWND m_toolBar = nullptr;
  HWND m_topic = nullptr;
  HWND m_tabs = nullptr;
  HWND m_status = nullptr;
  HWND m_pages[3] = {};
  HWND m_console = nullptr;
  HWND m_log = nullptr;
  HWND m_users = nullptr;
  HWND m_count = nullptr;
  HICON m_icon = nullptr;
  HICON m_smallIcon = nullptr;
  std::unique_ptr<SettingsTab> m_settings;
  std::unique_ptr<Tray> m_tray;
  std::unique_ptr<BirthdayEditor> m_birthdayEditor;
  std::vector<std::function<void()>> m_onFormCreate;
  std::vector<std::function<void()>> m_onDestroy;
  // The page objects, kept as long as the window.
  std::vector<std::shared_ptr<void>> m_keep;
  // Each log entry's place in the control, oldest first: the break before
  // it and its text (a line break inside it included).
  struct LogEntry {
    LONG lead = 0;
    LONG text = 0;
  };
  std::deque<LogEntry> m_logEntries;
};

}  // namespace pelmo::winui
