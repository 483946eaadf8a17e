#include "pages/window_model.h"

#include "base/cp1251.h"
#include "base/date_time.h"
#include "core/bot_console.h"
#include "core/bot_life.h"
#include "core/roster.h"
#include "pages/window_texts.h"

namespace pelmo {

namespace {

const std::string kTitle = kWindowTitle;

}  // namespace

std::string HiddenTip(bool running, std::size_t users) {
  return running ? "[" + kTitle + "]\nUser: " + std::to_string(users) : "[" + kTitle + "] - [Stoped]";
}

std::string MenuTip(bool running, std::size_t users) {
  return running ? kTitle + "\nUser: " + std::to_string(users) : kTitle + " - [Stoped]";
}

WindowAction DecideWindowAction(bool close, const std::string& runState, bool trayAvailable) {
  if (trayAvailable && (runState == "Running" || runState == "Stoped")) {
    return WindowAction::kHideToTray;
  }
  return close ? WindowAction::kQuit : WindowAction::kMinimise;
}

WindowModel::WindowModel(BotLife& life, BotConsole& console, EventLoop& loop)
    : m_life(life), m_console(console), m_panels{"Users:", "IP:", "", ""}, m_topic(W("< Нет темы >")) {
  m_retry = std::make_unique<StartRetry>(loop, life, console.Log(), StartRetryWindow(), [this] {
    Note(W("Устраните причину и нажмите «Запустить бота» на панели инструментов."),
         kRefusalColor);
  });
  m_tray = {false, MenuTip(false, 0)};
  m_console.AddView(this);
}

WindowModel::~WindowModel() { m_console.RemoveView(this); }

void WindowModel::ProgramStarted() {
  if (!m_life.SwitchedOn() && !m_life.Running()) {
    Note(W("Бот выключен: в файле Net.ini, раздел [chat], стоит EnableBot=0. Запустите его "
           "кнопкой «Запустить бота» на панели инструментов; чтобы он запускался сам, "
           "отметьте «Включить бота» на странице «Общие» настроек и сохраните их."));
    return;
  }
  AfterStart(false);
  m_retry->AfterStart();
}

void WindowModel::Start() {
  if (m_screen) m_screen->ShowLogPage();
  m_life.Start();
  AfterStart(true);
  m_retry->AfterOperatorStart();
}

void WindowModel::StartFromTray() {
  Start();
  SetTray(false);
}

void WindowModel::Stop() {
  m_retry->Cancel();
  m_life.Stop();
}

void WindowModel::StopFromTray() {
  m_retry->Cancel();
  m_life.StopKeepingRoster();
  SetTray(false);
}

void WindowModel::AfterStart(bool askedByOperator) {
  UpdateStatus();
  if (m_life.Running()) return;
  Note(m_status, kRefusalColor);
  if (askedByOperator && m_screen) m_screen->ShowBox(m_status);
}

void WindowModel::ClearLog() {
  m_console.ClearWindowLog();
  if (m_screen) m_screen->FocusConsole();
}

void WindowModel::RefreshUsers() { m_console.RefreshRoster(); }
void WindowModel::SelectUser(int row) { m_console.SelectRosterEntry(row); }
void WindowModel::PageChanged() { m_console.SetStatusPanel(1, "IP:"); }

bool WindowModel::ConsoleLine(const std::string& text) {
  if (!m_life.Running()) {
    // Nothing could carry the line: it stays in the field for later.
    Note(W("Строка не отправлена: бот не в чате. Запустите его кнопкой «Запустить бота» "
           "на панели инструментов и нажмите Enter ещё раз."),
         kRefusalColor);
    return false;
  }
  m_console.SayConsoleLine(text);
  return true;
}

void WindowModel::TopicAnswer(const std::string& answer) {
  const std::string topic = LatinUpperCase(answer);
  if (!topic.empty()) m_console.ChangeTopic(topic);
}

void WindowModel::WindowCommand(bool close, bool trayAvailable) {
  switch (DecideWindowAction(close, m_panels[2], trayAvailable)) {
    case WindowAction::kHideToTray:
      SetTray(true);
      if (m_screen) m_screen->HideToTray();
      break;
    case WindowAction::kQuit:
      Close();
      break;
    case WindowAction::kMinimise:
      if (m_screen) m_screen->Minimise();
      break;
  }
}

void WindowModel::Close() {
  if (m_closed) return;
  m_closed = true;
  m_retry->Cancel();
  // Quit first: should the close fail, the program still ends.
  if (m_screen) m_screen->Quit();
  m_life.Close();
}

void WindowModel::Note(const std::string& text, std::uint32_t color) {
  AddLine({"[" + TimeToStr(m_console.GetClock().Now()) + "] ", text, color});
}

const std::string& WindowModel::Panel(int panel) const {
  static const std::string kNone;
  return panel >= 0 && panel < 4 ? m_panels[panel] : kNone;
}

bool WindowModel::OnChat() const { return m_life.Running(); }

void WindowModel::AddLine(WindowLine line) {
  if (m_lines.size() >= kMaxLines) m_lines.pop_front();
  m_lines.push_back(std::move(line));
  if (m_screen) m_screen->LineAdded(m_lines.back());
}

void WindowModel::UpdateStatus() {
  if (m_life.Running()) {
    m_status = W("Бот в чате.");
  } else if (m_life.LastStartFault().kind != StartFault::Kind::kNone) {
    m_status = StartFaultText(m_life.LastStartFault());
  } else {
    m_status = W("Бот остановлен.");
  }
}

void WindowModel::SetTray(bool hiding) {
  const bool running = m_panels[2] == "Running";
  const std::size_t users = m_users.size();
  m_tray = {running, hiding ? HiddenTip(running, users) : MenuTip(running, users)};
  if (m_screen) m_screen->TrayChanged();
}

void WindowModel::OnLogLine(const std::string& prefix, const std::string& text,
                            std::uint32_t color) {
  AddLine({prefix, text, color});
}

void WindowModel::OnLogCleared() {
  m_lines.clear();
  if (m_screen) m_screen->LinesCleared();
}

void WindowModel::OnRosterChanged() {
  m_users.clear();
  for (const RosterEntry& entry : m_console.RosterEntries()) m_users.push_back(entry.text);
  // The count goes with the list, also when a stop or a refresh empties it.
  m_panels[0] = "Users: " + std::to_string(m_users.size());
  if (m_screen) m_screen->UsersChanged();
}

void WindowModel::OnStatusPanel(int panel, const std::string& text) {
  if (panel < 0 || panel > 3) return;
  m_panels[panel] = text;
  if (panel == 2) {
    UpdateStatus();
    // The icon follows the bot, also after a start tried again.
    m_tray.green = text == "Running";
  }
  if (m_screen) m_screen->PanelChanged(panel);
}

void WindowModel::OnTopicChanged(const std::string& topic) {
  m_topic = topic;
  if (m_screen) m_screen->TopicChanged();
}

}  // namespace pelmo
