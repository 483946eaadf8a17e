#include "winui/main_window_win.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "core/bot_control.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "winui/about_win.h"
#include "winui/controls_win.h"
#include "winui/game_pages_win.h"
#include "winui/icons_win.h"
#include "winui/service_pages_win.h"
#include "winui/settings_tab_win.h"
#include "winui/tray_win.h"
#include "winui/win_event_loop_win.h"

namespace pelmo::winui {

namespace {

constexpr wchar_t kClassName[] = L"PelmoMainForm";
const std::wstring kTitle = L"Pelmo_bot v 1.3";
constexpr int kMargin = 6;
constexpr int kUserListWidth = 200;
// The oldest lines go once this many are held.
constexpr int kMaxLogLines = 5000;

LRESULT CALLBACK ConsoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR data) {
  auto* owner = reinterpret_cast<MainWindow*>(data);
  if (message == WM_GETDLGCODE && wParam == VK_RETURN) return DLGC_WANTALLKEYS;
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    // The key is swallowed: the line goes into the chat.
    Guarded([owner] { owner->ConsoleInputEnter(); });
    return 0;
  }
  if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n')) return 0;
  return ::DefSubclassProc(window, message, wParam, lParam);
}

const wchar_t* RichEditClass() {
  static const wchar_t* name = [] {
    if (::LoadLibraryW(L"Msftedit.dll") != nullptr) return L"RICHEDIT50W";
    ::LoadLibraryW(L"Riched20.dll");
    return L"RichEdit20W";
  }();
  return name;
}

}  // namespace

MainWindow::MainWindow(BotControl& bot, WinEventLoop& loop, std::wstring programDir)
    : m_bot(bot), m_loop(loop), m_programDir(std::move(programDir)) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                      ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                      ICC_STANDARD_CLASSES | ICC_DATE_CLASSES};
  ::InitCommonControlsEx(&controls);
  m_icon = MakeAppIcon(::GetSystemMetrics(SM_CXICON), true);
  m_smallIcon = MakeAppIcon(::GetSystemMetrics(SM_CXSMICON), true);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = m_icon;
  windowClass.hIconSm = m_smallIcon;
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExW(&windowClass);
  platform = DefaultWinPlatform([this] { return m_window; });
  BuildMenus();
  m_window = ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, kTitle.c_str(),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                               840, 620, nullptr, m_menu, windowClass.hInstance, this);
  SetWindowName(m_window, "MainForm");
  BuildToolBar();
  BuildStatusBar();
  BuildTabs();
  m_tray = std::make_unique<Tray>(m_window);
  m_keep.push_back(BuildAdminsPage(*m_settings, platform));
  Layout();
  SelectTab(kLogTab);
  m_bot.AddView(this);
}

MainWindow::~MainWindow() {
  m_bot.RemoveView(this);
  for (const auto& step : m_onDestroy) step();
  m_tray.reset();
  if (::IsWindow(m_window)) {
    ::SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    ::RemovePropW(m_window, L"PelmoName");
    ::DestroyWindow(m_window);
  }
  ::DestroyIcon(m_icon);
  ::DestroyIcon(m_smallIcon);
}

HWND MainWindow::Named(const char* name) const {
  if (HWND found = FindNamed(m_window, name)) return found;
  return nullptr;
}

void MainWindow::BuildMenus() {
  m_menu = ::CreateMenu();
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kExitMM, L"&Exit");
  HMENU help = ::CreatePopupMenu();
  ::AppendMenuW(help, MF_STRING, kHelpMM, L"Помо&щь");
  ::AppendMenuW(help, MF_STRING, kAboutMM, L"О про&грамме");
  ::AppendMenuW(m_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"Фа&йл");
  ::AppendMenuW(m_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Справка");
}

void MainWindow::BuildToolBar() {
  m_toolBar = MakeControl(m_window, TOOLBARCLASSNAMEW, L"",
                          TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                          "ToolBar1");
  ::SendMessageW(m_toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(m_toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(MakeToolBarImages()));
  struct Button {
    int id;
    int image;
    const wchar_t* hint;
  };
  const Button buttons[] = {
      {kStartTB, 0, L"Запустить бота"},
      {kStopTb, 1, L"Остановить бота"},
      {kClearLogTB, 2, L"Очистить лог"},
      {0, -1, nullptr},
      {kRefreshUsrList, 3, L"Обновить список пользователей."},
  };
  std::vector<TBBUTTON> items;
  for (const Button& button : buttons) {
    TBBUTTON item{};
    if (button.hint == nullptr) {
      item.fsStyle = BTNS_SEP;
      item.iBitmap = 8;
    } else {
      item.iBitmap = button.image;
      item.idCommand = button.id;
      item.fsState = TBSTATE_ENABLED;
      item.fsStyle = BTNS_BUTTON;
      // With no text rows the strings are the buttons' hints.
      item.iString = reinterpret_cast<INT_PTR>(button.hint);
    }
    items.push_back(item);
  }
  ::SendMessageW(m_toolBar, TB_SETMAXTEXTROWS, 0, 0);
  ::SendMessageW(m_toolBar, TB_ADDBUTTONSW, items.size(), reinterpret_cast<LPARAM>(items.data()));
  ::SendMessageW(m_toolBar, TB_AUTOSIZE, 0, 0);
  m_topic = MakeControl(m_window, L"STATIC", L"< Нет темы >",
                        SS_NOTIFY | SS_NOPREFIX | SS_ENDELLIPSIS | SS_CENTERIMAGE, 0, 0, 300, 22,
                        "TopicL");
  OnClick(m_topic, [this] { TopicLClick(); });
}

void MainWindow::BuildStatusBar() {
  m_status = MakeControl(m_window, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0,
                         "StatusBar1");
  const wchar_t* texts[] = {L"Users:", L"IP:", L"", L""};
  for (int i = 0; i < 4; ++i) {
    ::SendMessageW(m_status, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(texts[i]));
  }
}

void MainWindow::BuildTabs() {
  m_tabs = MakeControl(m_window, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPCHILDREN, 0, 0, 800,
                       500, "PageControl1");
  const wchar_t* names[] = {L"&Лог", L"&Настройки", L"О програ&мме"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(names[i]);
    ::SendMessageW(m_tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  OnNotify(m_tabs, [this](NMHDR* header) -> LRESULT {
    if (header->code == TCN_SELCHANGE) {
      SelectTab(static_cast<int>(::SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0)));
    }
    return 0;
  });
  // The pages are panels inside the tab control: their controls'
  // notifications reach the panels that handle them.
  m_pages[kLogTab] = MakePanel(m_tabs, 0, 0, 800, 460);
  BuildLogPage();
  m_settings = std::make_unique<SettingsTab>(m_tabs, m_bot, platform);
  m_pages[kSettingsTab] = m_settings->Window();
  m_pages[kAboutTab] = MakePanel(m_tabs, 0, 0, 800, 460);
  BuildAboutPage();
}

void MainWindow::BuildLogPage() {
  HWND page = m_pages[kLogTab];
  m_console = MakeEdit(page, 0, 0, 100, "ConsoleInputE");
  ::SetWindowSubclass(m_console, ConsoleProc, 1, reinterpret_cast<DWORD_PTR>(this));
  m_log = MakeControl(page, RichEditClass(), L"",
                      ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL, 0, 0,
                      100, 100, "Log", WS_EX_CLIENTEDGE);
  ::SendMessageW(m_log, EM_EXLIMITTEXT, 0, 16 * 1024 * 1024);
  m_users = MakeControl(page, L"LISTBOX", L"", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
                        0, 0, 100, 100, "UsrLB", WS_EX_CLIENTEDGE);
  OnCommand(m_users, [this](int code) {
    if (code != LBN_SELCHANGE) return;
    const int row = static_cast<int>(::SendMessageW(m_users, LB_GETCURSEL, 0, 0));
    if (row >= 0) UsrLBClick(row);
  });
}

void MainWindow::BuildAboutPage() { m_count = BuildAboutTab(m_pages[kAboutTab], m_icon); }

void MainWindow::Layout() {
  RECT client{};
  ::GetClientRect(m_window, &client);
  ::SendMessageW(m_toolBar, TB_AUTOSIZE, 0, 0);
  ::SendMessageW(m_status, WM_SIZE, 0, 0);
  RECT bar{};
  ::GetWindowRect(m_toolBar, &bar);
  const int top = bar.bottom - bar.top;
  RECT status{};
  ::GetWindowRect(m_status, &status);
  const int bottom = client.bottom - (status.bottom - status.top);
  // The topic label right of the last button.
  RECT last{};
  const int count = static_cast<int>(::SendMessageW(m_toolBar, TB_BUTTONCOUNT, 0, 0));
  ::SendMessageW(m_toolBar, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
  const int topicX = last.right + 16;
  ::MoveWindow(m_topic, topicX, 2, std::max(0, static_cast<int>(client.right) - topicX - kMargin),
               std::max(top - 4, 16), TRUE);
  ::SetWindowPos(m_topic, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  // Status panels: "Users:" 125, "IP:" 115, the run state, the last start.
  const int state = TextWidth(L"Running") + 24;
  int edges[4] = {125, 240, 240 + state, -1};
  ::SendMessageW(m_status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));

  ::MoveWindow(m_tabs, kMargin, top + kMargin, client.right - 2 * kMargin,
               bottom - top - 2 * kMargin, TRUE);
  RECT inner{};
  ::GetClientRect(m_tabs, &inner);
  ::SendMessageW(m_tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inner));
  const int width = inner.right - inner.left;
  const int height = inner.bottom - inner.top;
  for (HWND page : m_pages) {
    ::SetWindowPos(page, HWND_TOP, inner.left, inner.top, width, height, 0);
  }
  m_settings->Resize(width, height);

  // The log page: the console line above the log and the user list.
  ::MoveWindow(m_console, kMargin, kMargin, width - 2 * kMargin, FieldHeight(), TRUE);
  const int listTop = 2 * kMargin + FieldHeight();
  const int listHeight = std::max(0, height - listTop - kMargin);
  const int logWidth = std::max(0, width - 3 * kMargin - kUserListWidth);
  ::MoveWindow(m_log, kMargin, listTop, logWidth, listHeight, TRUE);
  ::MoveWindow(m_users, 2 * kMargin + logWidth, listTop, kUserListWidth, listHeight, TRUE);
}

void MainWindow::SelectTab(int tab) {
  if (tab < 0 || tab > 2) return;
  ::SendMessageW(m_tabs, TCM_SETCURSEL, tab, 0);
  for (int i = 0; i < 3; ++i) ::ShowWindow(m_pages[i], i == tab ? SW_SHOW : SW_HIDE);
  m_bot.SetStatusPanel(1, "IP:");
  if (tab == kSettingsTab) m_settings->Enter();
}

int MainWindow::CurrentTab() const {
  return static_cast<int>(::SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0));
}

void MainWindow::FormCreate() {
  m_bot.FormCreate();
  m_settings->ShowSettings();
  for (const auto& step : m_onFormCreate) step();
  SetText(m_count, std::to_wstring(m_bot.Settings().StartCount));
  SetText(m_console, L"");
  if (!m_bot.Settings().EnableBotCB && !m_bot.Running()) {
    Note(L"Бот выключен: в файле Net.ini, раздел [chat], стоит EnableBot=0. Запустите его "
         L"кнопкой «Запустить бота» на панели инструментов; чтобы он запускался сам, "
         L"отметьте «Включить бота» на странице «Общие» настроек и сохраните их.");
  }
}

void MainWindow::Note(const std::wstring& text, std::uint32_t color) {
  OnLogLine("[" + TimeToStr(m_bot.GetClock().Now()) + "] ", Narrow(text), color);
}

void MainWindow::CloseProgram() {
  if (m_closed) return;
  m_closed = true;
  m_tray->Hide();
  ::ShowWindow(m_window, SW_HIDE);
  // Quit first: should the close fail, the program still ends.
  m_loop.Quit();
  m_bot.FormClose();
}

void MainWindow::StartTBClick() {
  SelectTab(kLogTab);
  m_bot.StartTBClick();
}

void MainWindow::StopTBClick() { m_bot.StopTBClick(); }

void MainWindow::ClearLogTBClick() {
  m_bot.ClearWindowLog();
  ::SetFocus(m_console);
}

void MainWindow::RefreshUsrListClick() { m_bot.RefreshRoster(); }

void MainWindow::TopicLClick() {
  if (!platform.askText) return;
  const std::optional<std::wstring> answer = platform.askText(L"Добавить топик", L"Введите текст:");
  if (!answer) return;
  const std::string topic = LatinUpperCase(Narrow(*answer));
  if (topic.empty()) return;
  m_bot.ChangeTopic(topic);
}

void MainWindow::ConsoleInputEnter() {
  if (!m_bot.Running()) {
    // Nothing could carry the line: it stays in the field for later.
    Note(L"Строка не отправлена: бот остановлен. Запустите его кнопкой «Запустить бота» "
         L"на панели инструментов и нажмите Enter ещё раз.",
         kRefusalColor);
    return;
  }
  const std::string text = Narrow(GetText(m_console));
  SetText(m_console, L"");
  m_bot.ConsoleInput(text);
}

void MainWindow::UsrLBClick(int row) { m_bot.UsrLBClick(row); }

void MainWindow::N6Click() {
  StartTBClick();
  if (m_bot.Running()) m_tray->Modify(true, MenuTip(true, m_bot.RosterEntries().size()));
}

void MainWindow::Stop_BotClick() {
  const bool wasRunning = m_bot.Running();
  m_bot.Stop_BotClick();
  if (wasRunning && !m_bot.Running()) m_tray->Modify(false, MenuTip(false, 0));
}

void MainWindow::ShowMMClick() {
  m_tray->Hide();
  ::ShowWindow(m_window, ::IsIconic(m_window) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(m_window);
}

void MainWindow::HelpClick() {
  std::wstring path;
  for (const std::wstring& candidate :
       {m_programDir + L"\\help\\index.html",
        m_programDir + L"\\..\\share\\doc\\pelmobot\\help\\index.html"}) {
    if (::GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) {
      path = candidate;
      break;
    }
  }
  if (path.empty()) {
    if (platform.warn) {
      platform.warn(kTitle, L"Справка не найдена: рядом с программой нет help\\index.html, "
                            L"и в ..\\share\\doc\\pelmobot\\help его тоже нет.");
    }
    return;
  }
  if (platform.openDocument && !platform.openDocument(path) && platform.warn) {
    platform.warn(kTitle, L"Не удалось открыть справку: на компьютере нет программы для "
                          L"просмотра страниц (браузера).\nСправка лежит в файле:\n" + path);
  }
}

void MainWindow::AboutBoxClick() {
  ::ShellAboutW(m_window, kTitle.c_str(), L"Pelmo_bot — бот для чата локальной сети.", m_icon);
}

void MainWindow::AboutFormClick() { ShowAboutForm(m_window, m_icon); }

void MainWindow::SystemCommand(bool close) {
  const bool tray = platform.trayAvailable && platform.trayAvailable();
  switch (DecideWindowAction(close, m_bot.StatusPanel(2), tray)) {
    case WindowAction::kHideToTray:
      HideToTray();
      break;
    case WindowAction::kQuit:
      CloseProgram();
      break;
    case WindowAction::kMinimise:
      ::ShowWindow(m_window, SW_MINIMIZE);
      break;
  }
}

void MainWindow::HideToTray() {
  const bool running = m_bot.StatusPanel(2) == "Running";
  const auto users = static_cast<std::size_t>(::SendMessageW(m_users, LB_GETCOUNT, 0, 0));
  m_tray->Show(running, HiddenTip(running, users));
  ::ShowWindow(m_window, SW_HIDE);
}

void MainWindow::Command(int id) {
  switch (id) {
    case kExitMM:
    case kExitTM:
      CloseProgram();
      break;
    case kHelpMM:
    case kHelpTM:
      HelpClick();
      break;
    case kAboutMM:
      AboutBoxClick();
      break;
    case kAboutTM:
      AboutFormClick();
      break;
    case kStartTB:
      StartTBClick();
      break;
    case kStopTb:
      StopTBClick();
      break;
    case kClearLogTB:
      ClearLogTBClick();
      break;
    case kRefreshUsrList:
      RefreshUsrListClick();
      break;
    case kN6:
      N6Click();
      break;
    case kStop_Bot:
      Stop_BotClick();
      break;
    case kShowMM:
      ShowMMClick();
      break;
    default:
      break;
  }
}

void MainWindow::OnLogLine(const std::string& prefix, const std::string& text,
                           std::uint32_t color) {
  if (m_logLines >= kMaxLogLines) {
    const auto second = ::SendMessageW(m_log, EM_LINEINDEX, 1, 0);
    ::SendMessageW(m_log, EM_SETSEL, 0, second);
    ::SendMessageW(m_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    --m_logLines;
  }
  // Line breaks inside a chat line stay inside its paragraph.
  std::wstring body = Wide(text);
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == L'\r' && i + 1 < body.size() && body[i + 1] == L'\n') body.erase(i + 1, 1);
    if (body[i] == L'\r' || body[i] == L'\n') body[i] = L'\v';
  }
  const auto append = [this](const std::wstring& part, COLORREF partColor) {
    ::SendMessageW(m_log, EM_SETSEL, -1, -1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = partColor;
    ::SendMessageW(m_log, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    ::SendMessageW(m_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
  };
  append((m_logLines > 0 ? L"\r" : L"") + Wide(prefix), RGB(0, 0, 0));
  append(body, color);
  ++m_logLines;
  ::SendMessageW(m_log, WM_VSCROLL, SB_BOTTOM, 0);
}

void MainWindow::OnLogCleared() {
  SetText(m_log, L"");
  m_logLines = 0;
}

void MainWindow::OnRosterChanged() {
  ::SendMessageW(m_users, LB_RESETCONTENT, 0, 0);
  for (const RosterEntry& entry : m_bot.RosterEntries()) {
    const std::wstring text = Wide(entry.text);
    ::SendMessageW(m_users, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // The count goes with the list, also when a stop or a refresh empties it.
  const auto count = ::SendMessageW(m_users, LB_GETCOUNT, 0, 0);
  const std::wstring users = L"Users: " + std::to_wstring(count);
  ::SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(users.c_str()));
}

void MainWindow::OnStatusPanel(int panel, const std::string& text) {
  if (panel < 0 || panel > 3) return;
  const std::wstring wide = Wide(text);
  ::SendMessageW(m_status, SB_SETTEXTW, panel, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::OnTopicChanged(const std::string& topic) { SetText(m_topic, Wide(topic)); }

std::wstring MainWindow::StatusPanel(int index) const {
  const auto length = LOWORD(::SendMessageW(m_status, SB_GETTEXTLENGTHW, index, 0));
  std::wstring text(length + 1u, L'\0');
  ::SendMessageW(m_status, SB_GETTEXTW, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

std::wstring MainWindow::LogText() const { return GetText(m_log); }

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    reinterpret_cast<MainWindow*>(create->lpCreateParams)->m_window = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Route(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      if (lParam == 0 || reinterpret_cast<HWND>(lParam) == m_toolBar) {
        const int id = LOWORD(wParam);
        Guarded([this, id] { Command(id); });
        return 0;
      }
      break;
    case WM_SIZE:
      if (m_settings && wParam != SIZE_MINIMIZED) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {640, 480};
      return 0;
    }
    case WM_SYSCOMMAND: {
      const WPARAM command = wParam & 0xFFF0;
      if ((command == SC_MINIMIZE || command == SC_CLOSE) && !m_closed) {
        Guarded([this, command] { SystemCommand(command == SC_CLOSE); });
        // The system's minimise is what SystemCommand asked for, if any.
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      // A close that is no system command (another program's WM_CLOSE).
      Guarded([this] { SystemCommand(true); });
      return 0;
    case Tray::kCallbackMessage:
      if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
        Guarded([this] { ShowMMClick(); });
      } else if (LOWORD(lParam) == WM_RBUTTONUP) {
        POINT at{};
        ::GetCursorPos(&at);
        const int chosen = m_tray->OpenMenu(at);
        if (chosen != 0) Guarded([this, chosen] { Command(chosen); });
      }
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process ends when this returns: the bot says goodbye first.
      if (wParam != 0) Guarded([this] { CloseProgram(); });
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace pelmo::winui
