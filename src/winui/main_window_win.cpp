#include "winui/main_window_win.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/windows_text_win.h"
#include "core/bot_faces.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "pages/window_texts.h"
#include "winui/about_win.h"
#include "winui/controls_win.h"
#include "winui/game_pages_win.h"
#include "winui/icons_win.h"
#include "winui/page_message_win.h"
#include "winui/service_pages_win.h"
#include "winui/settings_tab_win.h"
#include "winui/tray_win.h"
#include "winui/win_event_loop_win.h"

namespace pelmo::winui {

namespace {

const std::wstring kTitle = L"Pelmo_bot v 1.3";
constexpr int kMargin = 6;
constexpr int kUserListWidth = 200;

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

MainWindow::MainWindow(BotFaces bot, WinEventLoop& loop, std::wstring programDir)
    : m_bot(bot),
      m_loop(loop),
      m_model(bot.life, bot.console, loop),
      m_programDir(std::move(programDir)) {
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
  windowClass.lpszClassName = kMainWindowClass;
  ::RegisterClassExW(&windowClass);
  platform = DefaultWinPlatform([this] { return m_window; });
  BuildMenus();
  m_window = ::CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, kTitle.c_str(),
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                               840, 620, nullptr, m_menu, windowClass.hInstance, this);
  SetWindowName(m_window, "MainForm");
  BuildToolBar();
  BuildStatusBar();
  BuildTabs();
  m_tray = std::make_unique<Tray>(m_window);
  m_keep.push_back(BuildAdminsPage(*m_settings, m_bot.settings.Settings()));
  Layout();
  SelectTab(kLogTab);
  m_model.Attach(this);
}

MainWindow::~MainWindow() {
  m_model.Attach(nullptr);
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
  ::AppendMenuW(help, MF_STRING, kHelpMM, Wide(CaptionText(WindowCaption::kHelpItem)).c_str());
  ::AppendMenuW(help, MF_STRING, kAboutMM, Wide(CaptionText(WindowCaption::kAboutItem)).c_str());
  ::AppendMenuW(m_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file),
                Wide(CaptionText(WindowCaption::kFileMenu)).c_str());
  ::AppendMenuW(m_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help),
                Wide(CaptionText(WindowCaption::kHelpMenu)).c_str());
}

void MainWindow::BuildToolBar() {
  m_toolBar = MakeControl(m_window, TOOLBARCLASSNAMEW, L"",
                          TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                          "ToolBar1");
  ::SendMessageW(m_toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(m_toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(MakeToolBarImages()));
  struct Button {
    int id;  // 0: the separator
    int image;
    ToolButton hint;
  };
  const Button buttons[] = {
      {kStartTB, 0, ToolButton::kStart},
      {kStopTb, 1, ToolButton::kStop},
      {kClearLogTB, 2, ToolButton::kClearLog},
      {0, -1, ToolButton::kStart},
      {kRefreshUsrList, 3, ToolButton::kRefreshUsers},
  };
  std::vector<std::wstring> hints;
  for (const Button& button : buttons) hints.push_back(Wide(ToolButtonHint(button.hint)));
  std::vector<TBBUTTON> items;
  for (std::size_t i = 0; i < std::size(buttons); ++i) {
    TBBUTTON item{};
    if (buttons[i].id == 0) {
      item.fsStyle = BTNS_SEP;
      item.iBitmap = 8;
    } else {
      item.iBitmap = buttons[i].image;
      item.idCommand = buttons[i].id;
      item.fsState = TBSTATE_ENABLED;
      item.fsStyle = BTNS_BUTTON;
      item.iString = reinterpret_cast<INT_PTR>(hints[i].c_str());
    }
    items.push_back(item);
  }
  // Mixed buttons: a button without BTNS_SHOWTEXT shows no text, and its
  // string is its tooltip.
  ::SendMessageW(m_toolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  ::SendMessageW(m_toolBar, TB_ADDBUTTONSW, items.size(), reinterpret_cast<LPARAM>(items.data()));
  ::SendMessageW(m_toolBar, TB_AUTOSIZE, 0, 0);
  m_topic = MakeControl(m_window, L"STATIC", Wide(CaptionText(WindowCaption::kNoTopic)),
                        SS_NOTIFY | SS_NOPREFIX | SS_ENDELLIPSIS | SS_CENTERIMAGE, 0, 0, 300, 22,
                        "TopicL");
  OnClick(m_topic, [this] { TopicLClick(); });
}

void MainWindow::BuildStatusBar() {
  m_status = MakeControl(m_window, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP | SBARS_TOOLTIPS, 0, 0, 0, 0,
                         "StatusBar1");
  const wchar_t* texts[] = {L"Users:", L"IP:", L"", L""};
  for (int i = 0; i < 4; ++i) {
    ::SendMessageW(m_status, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(texts[i]));
  }
}

void MainWindow::BuildTabs() {
  m_tabs = MakeControl(m_window, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPCHILDREN, 0, 0, 800,
                       500, "PageControl1");
  const WindowCaption names[] = {WindowCaption::kLogTab, WindowCaption::kSettingsTab, WindowCaption::kAboutTab};
  for (int i = 0; i < 3; ++i) {
    std::wstring name = Wide(CaptionText(names[i]));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = name.data();
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
  m_settings = std::make_unique<SettingsTab>(m_tabs, m_bot.settings, m_bot.life, platform);
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
  m_model.PageChanged();
  if (tab == kSettingsTab) m_settings->Enter();
}

int MainWindow::CurrentTab() const {
  return static_cast<int>(::SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0));
}

void MainWindow::ShowStarted() {
  m_settings->ShowSettings();
  for (const auto& step : m_onFormCreate) step();
  SetText(m_count, std::to_wstring(m_bot.settings.Settings().StartCount));
  SetText(m_console, L"");
}

void MainWindow::FormCreate() {
  m_bot.life.Open();
  ShowStarted();
  m_model.ProgramStarted();
}

void MainWindow::Note(const std::wstring& text, std::uint32_t color) {
  m_model.Note(Narrow(text), color);
}

void MainWindow::CloseProgram() { m_model.Close(); }

void MainWindow::StartTBClick() { m_model.Start(); }
void MainWindow::StopTBClick() { m_model.Stop(); }
void MainWindow::ClearLogTBClick() { m_model.ClearLog(); }
void MainWindow::RefreshUsrListClick() { m_model.RefreshUsers(); }

void MainWindow::TopicLClick() {
  if (!platform.askText) return;
  const std::optional<std::wstring> answer = platform.askText(
      Wide(CaptionText(WindowCaption::kTopicBoxTitle)), Wide(CaptionText(WindowCaption::kTopicBoxPrompt)));
  if (answer) m_model.TopicAnswer(Narrow(*answer));
}

void MainWindow::ConsoleInputEnter() {
  if (m_model.ConsoleLine(Narrow(GetText(m_console)))) SetText(m_console, L"");
}

void MainWindow::UsrLBClick(int row) { m_model.SelectUser(row); }
void MainWindow::N6Click() { m_model.StartFromTray(); }
void MainWindow::Stop_BotClick() { m_model.StopFromTray(); }

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
    platform.warn(kTitle, WideFromUtf8(HelpNotOpenedText(Utf8FromWide(path))));
  }
}

void MainWindow::AboutBoxClick() {
  ::ShellAboutW(m_window, kTitle.c_str(), Wide(CaptionText(WindowCaption::kAboutLine)).c_str(), m_icon);
}

void MainWindow::AboutFormClick() { ShowAboutForm(m_window, m_icon); }

void MainWindow::SystemCommand(bool close) {
  m_model.WindowCommand(close, platform.trayAvailable && platform.trayAvailable());
}

void MainWindow::TrayChanged() { m_tray->Modify(m_model.Tray().green, Wide(m_model.Tray().tip)); }

void MainWindow::HideToTray() {
  m_tray->Show(m_model.Tray().green, Wide(m_model.Tray().tip));
  ::ShowWindow(m_window, SW_HIDE);
}

void MainWindow::Minimise() { ::ShowWindow(m_window, SW_MINIMIZE); }

void MainWindow::Quit() {
  m_tray->Hide();
  ::ShowWindow(m_window, SW_HIDE);
  m_loop.Quit();
}

void MainWindow::ShowBox(const std::string& text) {
  if (platform.warn) platform.warn(kTitle, WindowsPaths(Wide(text)));
}

void MainWindow::ShowLogPage() { SelectTab(kLogTab); }
void MainWindow::FocusConsole() { ::SetFocus(m_console); }

}  // namespace pelmo::winui
