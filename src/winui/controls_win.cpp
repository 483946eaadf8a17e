#include "winui/controls_win.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <vector>

#include "base/cp1251.h"

namespace pelmo::winui {

namespace {

constexpr wchar_t kPanelClass[] = L"PelmoPanel";

struct Handlers {
  std::map<HWND, std::function<void(int)>> command;
  std::map<HWND, std::function<LRESULT(NMHDR*)>> notify;
  std::map<HWND, std::function<void()>> close;
  std::map<HWND, std::pair<COLORREF, HBRUSH>> swatch;
  std::map<HWND, HWND> defaultButton;
  std::function<void(const std::exception&)> onError;
};

Handlers& All() {
  static Handlers handlers;
  return handlers;
}

void Forget(HWND window) {
  Handlers& h = All();
  h.command.erase(window);
  h.notify.erase(window);
  h.close.erase(window);
  h.defaultButton.erase(window);
  auto swatch = h.swatch.find(window);
  if (swatch != h.swatch.end()) {
    ::DeleteObject(swatch->second.second);
    h.swatch.erase(swatch);
  }
}

BOOL CALLBACK ForgetChild(HWND child, LPARAM) {
  Forget(child);
  return TRUE;
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Route(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      // Escape in a dialog: as its close button.
      if (lParam == 0 && LOWORD(wParam) == IDCANCEL) ::PostMessageW(window, WM_CLOSE, 0, 0);
      break;
    case WM_CLOSE: {
      auto it = All().close.find(window);
      if (it != All().close.end()) {
        std::function<void()> handler = it->second;
        Guarded(handler);
        return 0;
      }
      break;
    }
    case DM_GETDEFID: {
      auto it = All().defaultButton.find(window);
      if (it != All().defaultButton.end()) {
        return MAKELRESULT(::GetDlgCtrlID(it->second), DC_HASDEFID);
      }
      break;
    }
    case WM_DESTROY:
      ::RemovePropW(window, L"PelmoName");
      ::EnumChildWindows(window, ForgetChild, 0);
      Forget(window);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterPanelClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = PanelProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  windowClass.lpszClassName = kPanelClass;
  ::RegisterClassExW(&windowClass);
  registered = true;
}

struct FindData {
  int id;
  HWND found;
};

BOOL CALLBACK FindChild(HWND child, LPARAM data) {
  auto* find = reinterpret_cast<FindData*>(data);
  if (::GetDlgCtrlID(child) == find->id) {
    find->found = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring Wide(std::string_view cp1251) {
  if (cp1251.empty()) return {};
  const int size = static_cast<int>(cp1251.size());
  const int length = ::MultiByteToWideChar(1251, 0, cp1251.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(1251, 0, cp1251.data(), size, out.data(), length);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(1251, 0, wide.data(), size, nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(1251, 0, wide.data(), size, out.data(), length, "?", nullptr);
  return out;
}

int ControlId(std::string_view name) {
  // FNV-1a, folded into the range of control identifiers below the
  // system's own (IDOK, IDCANCEL ... are small).
  std::uint32_t hash = 2166136261u;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return 1000 + static_cast<int>(hash % 60000u);
}

HWND FindNamed(HWND top, std::string_view name) {
  FindData find{ControlId(name), nullptr};
  ::EnumChildWindows(top, FindChild, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

void SetWindowName(HWND window, const char* name) {
  // The property holds a pointer to the caller's literal.
  ::SetPropW(window, L"PelmoName", const_cast<char*>(name));
}

std::string WindowName(HWND window) {
  const auto* name = static_cast<const char*>(::GetPropW(window, L"PelmoName"));
  return name != nullptr ? name : "";
}

HFONT UiFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
  }();
  return font;
}

HFONT HeadingFont() {
  static HFONT font = [] {
    LOGFONTW logFont{};
    ::GetObjectW(UiFont(), sizeof(logFont), &logFont);
    logFont.lfWeight = FW_BOLD;
    logFont.lfHeight = logFont.lfHeight * 5 / 4;
    return ::CreateFontIndirectW(&logFont);
  }();
  return font;
}

int TextWidth(std::wstring_view text) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, UiFont());
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return size.cx;
}

int LineHeight() {
  static int height = [] {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, UiFont());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return static_cast<int>(metrics.tmHeight);
  }();
  return height;
}

int FieldHeight() { return LineHeight() + 8; }

HWND MakePanel(HWND parent, int x, int y, int width, int height) {
  RegisterPanelClass();
  return ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width,
                           height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

HWND MakeDialogWindow(HWND owner, const std::wstring& title, int width, int height,
                      const char* name) {
  RegisterPanelClass();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT rect{0, 0, width, height};
  ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  const int outerWidth = rect.right - rect.left;
  const int outerHeight = rect.bottom - rect.top;
  RECT around{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (owner != nullptr && ::IsWindowVisible(owner)) ::GetWindowRect(owner, &around);
  const int x = around.left + (around.right - around.left - outerWidth) / 2;
  const int y = around.top + (around.bottom - around.top - outerHeight) / 2;
  HWND window = ::CreateWindowExW(exStyle, kPanelClass, title.c_str(), style, x, y, outerWidth,
                                  outerHeight, owner, nullptr, ::GetModuleHandleW(nullptr),
                                  nullptr);
  if (window != nullptr && name != nullptr) {
    ::SetWindowLongPtrW(window, GWLP_ID, ControlId(name));
    SetWindowName(window, name);
  }
  return window;
}

HWND MakeControl(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style,
                 int x, int y, int width, int height, const char* name, DWORD exStyle) {
  const int id = name != nullptr ? ControlId(name) : 0;
  HWND control = ::CreateWindowExW(exStyle, windowClass, text.c_str(),
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, width,
                                   height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  if (control != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
  return control;
}

HWND MakeLabel(HWND parent, const std::wstring& text, int x, int y, int width, const char* name) {
  if (width <= 0) width = TextWidth(text) + 4;
  return MakeControl(parent, L"STATIC", text, SS_NOPREFIX, x, y + 4, width, LineHeight(), name);
}

int ButtonWidth(const std::wstring& text) {
  std::wstring shown;
  for (wchar_t c : text) {
    if (c != L'&') shown += c;
  }
  return std::max(88, TextWidth(shown) + 24);
}

HWND MakeButton(HWND parent, const std::wstring& text, int x, int y, const char* name, int width) {
  return MakeControl(parent, L"BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, x, y,
                     width > 0 ? width : ButtonWidth(text), FieldHeight() + 2, name);
}

HWND MakeCheck(HWND parent, const std::wstring& text, int x, int y, const char* name) {
  return MakeControl(parent, L"BUTTON", text, BS_AUTOCHECKBOX | WS_TABSTOP, x, y,
                     TextWidth(text) + 28, FieldHeight(), name);
}

HWND MakeEdit(HWND parent, int x, int y, int width, const char* name, DWORD style) {
  return MakeControl(parent, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP | style, x, y, width,
                     FieldHeight(), name, WS_EX_CLIENTEDGE);
}

void OnCommand(HWND control, std::function<void(int code)> handler) {
  All().command[control] = std::move(handler);
}

void OnClick(HWND control, std::function<void()> handler) {
  OnCommand(control, [handler = std::move(handler)](int code) {
    if (code == BN_CLICKED) handler();
  });
}

void OnNotify(HWND control, std::function<LRESULT(NMHDR* header)> handler) {
  All().notify[control] = std::move(handler);
}

void OnClose(HWND panel, std::function<void()> handler) { All().close[panel] = std::move(handler); }

void SetDefaultButton(HWND dialog, HWND button) { All().defaultButton[dialog] = button; }

void SetSwatch(HWND control, COLORREF color) {
  Handlers& h = All();
  auto it = h.swatch.find(control);
  if (it != h.swatch.end()) ::DeleteObject(it->second.second);
  h.swatch[control] = {color, ::CreateSolidBrush(color)};
  ::InvalidateRect(control, nullptr, TRUE);
}

void SetErrorHandler(std::function<void(const std::exception&)> handler) {
  All().onError = std::move(handler);
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (All().onError) All().onError(e);
  }
}

bool Route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Handlers& h = All();
  if (message == WM_COMMAND && lParam != 0) {
    auto it = h.command.find(reinterpret_cast<HWND>(lParam));
    if (it == h.command.end()) return false;
    // A copy: the handler may replace or drop its own entry.
    std::function<void(int)> handler = it->second;
    const int code = HIWORD(wParam);
    Guarded([&] { handler(code); });
    result = 0;
    return true;
  }
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    auto it = h.notify.find(header->hwndFrom);
    if (it == h.notify.end()) return false;
    std::function<LRESULT(NMHDR*)> handler = it->second;
    result = 0;
    Guarded([&] { result = handler(header); });
    return true;
  }
  if (message == WM_CTLCOLORSTATIC) {
    auto it = h.swatch.find(reinterpret_cast<HWND>(lParam));
    if (it == h.swatch.end()) return false;
    ::SetBkColor(reinterpret_cast<HDC>(wParam), it->second.first);
    result = reinterpret_cast<LRESULT>(it->second.second);
    return true;
  }
  return false;
}

std::wstring GetText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void SetText(HWND window, const std::wstring& text) { ::SetWindowTextW(window, text.c_str()); }

bool Checked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND box, bool on) {
  ::SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void RunModal(HWND window, HWND owner, const std::function<bool()>& done) {
  const bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
  MSG message;
  while (::IsWindow(window) && !done()) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program's end: the outer loop must see it too.
      if (got == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (::IsDialogMessageW(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (::IsWindow(window)) ::DestroyWindow(window);
  if (owner != nullptr) ::SetActiveWindow(owner);
}

}  // namespace pelmo::winui
