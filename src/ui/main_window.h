// The control window (TMainForm, "Pelmo_bot v 1.3"): tool bar with the
// topic label, the tabs "&Лог" (console line, log, user list),
// "&Настройки" (settings tree and pages) and "О програ&мме", the four status
// panels, the menus and the notification icon. It is a view of the bot:
// the bot's log, roster, panels and topic come in through BotView.
//
// Minimise and close hide the window into the notification area once the
// bot has been started or stopped; before that, or without a notification
// area, the window minimises normally and close ends the program
// (tray_policy.h). The program ends through CloseProgram(), which runs the
// bot's close once. What the operator tried and could not do is always
// said: in a box, or in a note line of the window log. Main thread only.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/bot_view.h"
#include "ui/window_platform.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;

namespace pelmo {

class AboutPage;
class BirthdayWindow;
class BotControl;
class Games;
class InstalledServices;
class LogView;
class SettingsPages;
class TimedFeatures;
class TimedModel;

class MainWindow final : public QMainWindow, public BotView {
 public:
  // The platform defaults to Qt's dialogs; replace its members before use.
  explicit MainWindow(BotControl& bot, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Puts the pages of the installed services into the settings stack
  // (the ban list, ...). Call once, before FormCreate.
  void AddServicePages(InstalledServices& services);
  // The pages of the games: the chatterbox grid and the birthday editor
  // (page 11 and its window). Call once, before FormCreate.
  void AddGamePages(Games& games);
  // The weather pages and the anecdote countdown; their countdowns start
  // when FormCreate ends, as the window's showing starts them. Call once,
  // before FormCreate.
  void AddTimedPages(TimedFeatures& timed);
  // Program start: the bot's FormCreate, then the pages show the settings
  // and the about tab the start counter; a bot switched off in Net.ini is
  // said in a note naming the start button.
  void FormCreate();
  // A line of the window's own in the log (time prefix, colour as the
  // bot's lines: 0x00BBGGRR), not written to the log file.
  void Note(const QString& text, std::uint32_t color = kNoteColor);
  static constexpr std::uint32_t kNoteColor = 0x800000;   // dark blue
  static constexpr std::uint32_t kRefusalColor = 0x0000C0;  // red
  // Ends the program: the bot's close (once), the icon removed, the event
  // loop told to quit. Exit, "Выход", close without a notification area,
  // session end and SIGTERM all come here.
  void CloseProgram();
  bool Closed() const { return m_closed; }

  // The window's operations (the tool bar, menus and icon call these).
  void StartTBClick();
  void StopTBClick();
  void ClearLogTBClick();
  void RefreshUsrListClick();
  void TopicLClick();
  void ConsoleInputEnter();
  void UsrLBClick(int row);
  void N6Click();         // icon menu "Запустить Бота"
  void Stop_BotClick();   // icon menu "Остановить Бота"
  void ShowMMClick();     // "Развернуть" and a double click on the icon
  void HelpClick();       // "Помо&щь", "Справка"
  void AboutBoxClick();   // "О про&грамме": the standard About box
  void AboutFormClick();  // "О программе": the About window
  // The title bar's minimise and close, as decided by tray_policy.h.
  void SystemCommand(bool close);

  // BotView.
  void OnLogLine(const std::string& prefix, const std::string& text,
                 std::uint32_t color) override;
  void OnLogCleared() override;
  void OnRosterChanged() override;
  void OnStatusPanel(int panel, const std::string& text) override;
  void OnTopicChanged(const std::string& topic) override;

  WindowPlatform platform;
  SettingsPages* Settings() const { return m_settings; }
  LogView* Log() const { return m_log; }
  QTabWidget* Tabs() const { return m_tabs; }
  QSystemTrayIcon* Tray() const { return m_tray; }
  QMenu* TrayMenu() const { return m_trayMenu; }
  QLabel* StatusPanel(int i) const { return m_panels[i]; }
  // The birthday editor, once the game pages are added.
  BirthdayWindow* BirthdayEditor() const { return m_birthdayEditor; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildToolBar();
  void BuildTabs();
  void BuildStatusBar();
  void BuildMenus();
  void BuildTray();
  void HideToTray();
  // Connects an action to a handler whose errors go to the report.
  void OnTriggered(QAction* action, void (MainWindow::*handler)());

  BotControl& m_bot;
  bool m_closed = false;
  bool m_closing = false;
  LogView* m_log = nullptr;
  QLineEdit* m_console = nullptr;
  QListWidget* m_users = nullptr;
  QLabel* m_topic = nullptr;
  QTabWidget* m_tabs = nullptr;
  SettingsPages* m_settings = nullptr;
  AboutPage* m_about = nullptr;
  QLabel* m_panels[4] = {};
  QSystemTrayIcon* m_tray = nullptr;
  QMenu* m_trayMenu = nullptr;
  BirthdayWindow* m_birthdayEditor = nullptr;
  // The timed features' page model, once their pages are added.
  std::unique_ptr<TimedModel> m_timed;
  // Steps of the service pages at program start, after the bot's.
  std::vector<std::function<void()>> m_onFormCreate;
};

}  // namespace pelmo
