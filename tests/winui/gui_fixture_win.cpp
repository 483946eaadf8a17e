#include "winui/gui_fixture_win.h"

#include <commctrl.h>

#include <cstdlib>
#include <set>

#include "base/text_file.h"
#include "base/windows_text_win.h"
#include "fakes/bot_fixture.h"
#include "winui/controls_win.h"
#include "winui/picture_win.h"
#include "winui/settings_tab_win.h"

namespace pelmo::winui {

namespace {

struct ModalWatch {
  std::set<HWND> before;
  std::string shot;
  std::function<void(HWND)> drive;
  HWND found = nullptr;
  UINT_PTR timer = 0;
  int ticks = 0;
};
ModalWatch* g_watch = nullptr;

BOOL CALLBACK CollectVisible(HWND window, LPARAM data) {
  if (::IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(data)->insert(window);
  return TRUE;
}

std::set<HWND> VisibleThreadWindows() {
  std::set<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
  ModalWatch* watch = g_watch;
  if (watch == nullptr || watch->found != nullptr) return;
  ++watch->ticks;
  for (HWND window : VisibleThreadWindows()) {
    if (watch->before.count(window) != 0) continue;
    watch->found = window;
    ::KillTimer(nullptr, watch->timer);
    // Drawn before it is pictured.
    ::UpdateWindow(window);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!watch->shot.empty()) Snap(window, watch->shot);
    watch->drive(window);
    return;
  }
}

struct TextFind {
  std::wstring text;
  HWND found = nullptr;
};

BOOL CALLBACK FindText(HWND child, LPARAM data) {
  auto* find = reinterpret_cast<TextFind*>(data);
  std::wstring text = GetText(child);
  std::wstring plain;
  for (wchar_t c : text) {
    if (c != L'&') plain += c;
  }
  if (plain == find->text) {
    find->found = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

GuiFixture::GuiFixture(FixtureOptions options) {
  port = FindFreeLoopbackPort();
  dir.WriteFile("Net.ini", LoopbackNetIni(port, options.chatKeys));
  for (const auto& [name, bytes] : options.files) dir.WriteFile(name, bytes);
  loop = std::make_unique<WinEventLoop>();
  program = std::make_unique<Program>(*loop, clock, dir.Path(), "C:\\pelmobot\\pelmobot-gui.exe");
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring programDir = self;
  programDir = programDir.substr(0, programDir.find_last_of(L"\\/"));
  window = std::make_unique<MainWindow>(program->Faces(), *loop, programDir);
  window->platform.warn = [this](const std::wstring& title, const std::wstring& text) {
    warnings.push_back(title + L"|" + text);
  };
  window->platform.askAction = [this](const std::wstring& title, const std::wstring& text,
                                      const std::wstring&, const std::wstring&) {
    actionsAsked.push_back(title + L"|" + text);
    return actionAnswer;
  };
  window->platform.trayAvailable = [] { return true; };
  window->AddServicePages(program->Services());
  window->AddGamePages(program->GamesOf());
  window->AddTimedPages(program->Timed());
  SetErrorHandler([](const std::exception& e) { ADD_FAILURE() << "handler error: " << e.what(); });
  ::ShowWindow(window->Window(), SW_SHOWNORMAL);
  ::SetForegroundWindow(window->Window());
  window->FormCreate();
  Settle();
}

GuiFixture::~GuiFixture() {
  if (window && !window->Closed()) window->CloseProgram();
  SetErrorHandler(nullptr);
  window.reset();
  program.reset();
  loop.reset();
  // The quit that CloseProgram posted must not end the next test's loops.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

HWND GuiFixture::Named(const char* name) const {
  HWND found = window->Named(name);
  EXPECT_NE(found, nullptr) << "no control " << name;
  return found;
}

bool GuiFixture::Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    // Wakes for a message, or at least every 20 ms to look again.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

void GuiFixture::Settle() {
  for (int round = 0; round < 5; ++round) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

void GuiFixture::Click(const char* name) {
  HWND control = Named(name);
  ::SendMessageW(control, BM_CLICK, 0, 0);
  Settle();
}

void GuiFixture::Type(const char* name, const std::wstring& text) {
  HWND control = Named(name);
  // WM_SETTEXT on an edit sends EN_CHANGE as typing does.
  ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Settle();
}

void GuiFixture::Char(const char* name, wchar_t key) {
  HWND control = Named(name);
  ::SendMessageW(control, WM_CHAR, key, 1);
  Settle();
}

void GuiFixture::SelectPage(PageId id) {
  window->SelectTab(kSettingsTab);
  window->Settings().SelectPage(id);
  Settle();
}

void GuiFixture::Menu(int command) {
  ::SendMessageW(window->Window(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  Settle();
}

std::string GuiFixture::File(const std::string& name) const {
  return dir.Exists(name) ? dir.ReadFile(name) : std::string();
}

bool RunWithModal(const std::function<void()>& action, const std::string& shot,
                  const std::function<void(HWND modal)>& drive) {
  ModalWatch watch;
  watch.before = VisibleThreadWindows();
  watch.shot = shot;
  watch.drive = drive;
  g_watch = &watch;
  watch.timer = ::SetTimer(nullptr, 0, 100, WatchTick);
  action();
  ::KillTimer(nullptr, watch.timer);
  g_watch = nullptr;
  return watch.found != nullptr;
}

std::wstring ScreenshotDir() {
  const char* set = std::getenv("PELMO_SCREENSHOT_DIR");
  std::wstring dir = WideFromUtf8(set != nullptr && *set != '\0' ? set : "screenshots");
  // A Linux path from the Windows leg's script reaches wine's Z: drive.
  if (!dir.empty() && dir[0] == L'/') dir = L"Z:" + dir;
  for (wchar_t& c : dir) {
    if (c == L'/') c = L'\\';
  }
  for (std::size_t at = dir.find(L'\\', 3); at != std::wstring::npos; at = dir.find(L'\\', at + 1)) {
    ::CreateDirectoryW(dir.substr(0, at).c_str(), nullptr);
  }
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

bool Snap(HWND window, const std::string& name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const std::wstring path = ScreenshotDir() + L"\\" + WideFromUtf8(name) + L".png";
  return SaveWindowPicture(window, path, PictureFormat::kPng);
}

HWND ChildNamed(HWND top, const char* name) { return FindNamed(top, name); }

HWND ChildWithText(HWND top, const std::wstring& text) {
  TextFind find{text};
  ::EnumChildWindows(top, FindText, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

}  // namespace pelmo::winui
