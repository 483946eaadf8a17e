// The control window without its toolkit: what it shows (the log lines,
// the users and their count, the four status panels, the topic, whether
// the bot is on the chat and why not, the notification icon) and what the
// operator's actions do (start, stop, the console line, a topic, minimise
// and close, the end of the program). A front-end draws the model through
// WindowScreen and hands it the operator's actions; it decides nothing.
//
// A start that fails is said as it is: status panel 2 "Stoped", a grey
// icon, a red line saying why and what to do, a box when the operator
// asked for the start, and the start tried again as the headless program
// tries it (StartRetry), saying so in the log. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/bot_view.h"
#include "program/start_retry.h"

namespace pelmo {

class BotConsole;
class BotLife;
class EventLoop;

// One line of the window log: a black "[hh:nn] " prefix and the text in
// its colour (0x00BBGGRR). Windows-1251.
struct WindowLine {
  std::string prefix;
  std::string text;
  std::uint32_t color = 0;
};

// What the window does when minimised or closed.
enum class WindowAction {
  kHideToTray,  // icon shown, window hidden
  kMinimise,    // the desktop's own minimise
  kQuit,        // the program ends
};

// The notification icon: green while the bot is on the chat, grey
// otherwise, and its tip (lines separated by "\n").
struct TrayIconState {
  bool green = false;
  std::string tip;
};

// What a front-end draws; it reads the model's state when told.
class WindowScreen {
 public:
  virtual ~WindowScreen() = default;
  virtual void LineAdded(const WindowLine& line) = 0;
  virtual void LinesCleared() = 0;
  virtual void UsersChanged() = 0;           // Users(), Panel(0)
  virtual void PanelChanged(int panel) = 0;  // Panel(panel), Status() for panel 2
  virtual void TopicChanged() = 0;           // Topic()
  virtual void TrayChanged() = 0;            // Tray(), the icon keeps its visibility
  // An error box with kWindowTitle as its caption.
  virtual void ShowBox(const std::string& text) = 0;
  virtual void ShowLogPage() = 0;
  virtual void FocusConsole() = 0;
  virtual void HideToTray() = 0;  // shows the icon as Tray() says, hides the window
  virtual void Minimise() = 0;
  // The program ends: icon and window hidden, the event loop told to quit.
  virtual void Quit() = 0;
};

class WindowModel final : public BotView {
 public:
  static constexpr std::uint32_t kNoteColor = 0x800000;     // dark blue
  static constexpr std::uint32_t kRefusalColor = 0x0000C0;  // red
  // The oldest lines go once this many are held.
  static constexpr std::size_t kMaxLines = 5000;

  // The bot's faces must outlive the model.
  WindowModel(BotLife& life, BotConsole& console, EventLoop& loop);
  ~WindowModel() override;
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  // Where the model is drawn; nullptr detaches it.
  void Attach(WindowScreen* screen) { m_screen = screen; }

  // After the program's start sequence (Program::Start): a bot switched
  // off in Net.ini is said; a start that failed is said and tried again.
  void ProgramStarted();

  // The operator's actions. Start and the icon menu's start show the log
  // page first; the icon menu's stop keeps the roster and panel 1.
  void Start();
  void StartFromTray();
  void Stop();
  void StopFromTray();
  void ClearLog();
  void RefreshUsers();
  void SelectUser(int row);
  // Another tab was chosen.
  void PageChanged();
  // The console line's Enter: true when the line went into the chat and
  // the field is to be emptied; a stopped bot keeps it, saying why.
  bool ConsoleLine(const std::string& text);
  // The answer of the topic box ("" or cancelled: nothing is sent).
  void TopicAnswer(const std::string& answer);
  // The title bar's minimise (close false) or close.
  void WindowCommand(bool close, bool trayAvailable);
  // Ends the program once: the screen quits, then the bot closes.
  void Close();
  bool Closed() const { return m_closed; }
  // A line of the window's own, not written to the log file.
  void Note(const std::string& text, std::uint32_t color = kNoteColor);

  const std::deque<WindowLine>& Lines() const { return m_lines; }
  const std::vector<std::string>& Users() const { return m_users; }
  const std::string& Panel(int panel) const;
  const std::string& Topic() const { return m_topic; }
  bool OnChat() const;
  // Whether the bot is on the chat, and if not why and what to do.
  const std::string& Status() const { return m_status; }
  const TrayIconState& Tray() const { return m_tray; }

  // BotView.
  void OnLogLine(const std::string& prefix, const std::string& text,
                 std::uint32_t color) override;
  void OnLogCleared() override;
  void OnRosterChanged() override;
  void OnStatusPanel(int panel, const std::string& text) override;
  void OnTopicChanged(const std::string& topic) override;

 private:
  void AddLine(WindowLine line);
  // After a start the model made: the fault said (and boxed when asked).
  void AfterStart(bool askedByOperator);
  void UpdateStatus();
  void SetTray(bool hiding);

  BotLife& m_life;
  BotConsole& m_console;
  WindowScreen* m_screen = nullptr;
  std::unique_ptr<StartRetry> m_retry;
  std::deque<WindowLine> m_lines;
  std::vector<std::string> m_users;
  std::string m_panels[4];
  std::string m_topic;
  std::string m_status;
  TrayIconState m_tray;
  bool m_closed = false;
};

// Tips of the icon as the window hides ("[Pelmo_bot v 1.3]\nUser: 3",
// "[Pelmo_bot v 1.3] - [Stoped]") and after a start or stop from the icon
// ("Pelmo_bot v 1.3\nUser: 3", "Pelmo_bot v 1.3 - [Stoped]").
std::string HiddenTip(bool running, std::size_t users);
std::string MenuTip(bool running, std::size_t users);

// With a notification area the window hides into it once the bot has been
// started or stopped (runState: status panel 2). Before that (a bot
// switched off in Net.ini) the icon would have nothing to show, and a
// desktop without a notification area could never bring a hidden window
// back: then the window minimises normally and closing ends the program.
WindowAction DecideWindowAction(bool close, const std::string& runState, bool trayAvailable);

}  // namespace pelmo
