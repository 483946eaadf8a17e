// The control window (TMainForm, "Pelmo_bot v 1.3"): tool bar with the
// topic label, the tabs "&Лог" (console line, log, user list),
// "&Настройки" (settings tree and pages) and "О програ&мме", the four status
// panels, the menus and the notification icon. It draws the window model
// (pages/window_model.h) and hands it the operator's actions; what the
// window shows and decides is the model's. Main thread only.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/bot_faces.h"
#include "pages/window_model.h"
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
class Games;
struct InstalledServices;
class LogView;
class SettingsPages;
class TimedFeatures;
class TimedModel;

class MainWindow final : public QMainWindow, public WindowScreen {
 public:
  // The platform defaults to Qt's dialogs; replace its members before use.
  // loop: where the model's tries of a failed start wait.
  MainWindow(BotFaces bot, EventLoop& loop, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Puts the pages of the installed services into the settings stack
  // (the ban list, ...). Call once, before FormCreate.
  void AddServicePages(InstalledServices& services);
  // The pages of the games: the chatterbox grid and the birthday editor
  // (its page and its window). Call once, before FormCreate.
  void AddGamePages(Games& games);
  // The weather pages and the anecdote countdown; their countdowns start
  // when FormCreate ends, as the window's showing starts them. Call once,
  // before FormCreate.
  void AddTimedPages(TimedFeatures& timed);
  // What the window does at the program's start, after the bot's
  // Open: the pages show the settings and the about tab the start
  // counter (Program::Start runs it).
  void ShowStarted();
  // The program's start sequence for a window without a Program (tests):
  // the bot's Open, ShowStarted, the model told.
  void FormCreate();
  // A line of the window's own in the log (time prefix, colour as the
  // bot's lines: 0x00BBGGRR), not written to the log file.
  void Note(const QString& text, std::uint32_t color = WindowModel::kNoteColor);
  // Ends the program: the icon removed, the event loop told to quit, the
  // bot's close (once). Exit, "Выход", close without a notification area,
  // session end and SIGTERM all come here.
  void CloseProgram();
  bool Closed() const { return m_model.Closed(); }
  WindowModel& Model() { return m_model; }

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
  // Connects an action to a handler whose errors go to the report.
  void OnTriggered(QAction* action, void (MainWindow::*handler)());

  BotFaces m_bot;
  WindowModel m_model;
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
