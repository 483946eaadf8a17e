// The Win32 building blocks of the control window: the texts at the edge
// (the bot's Windows-1251 strings to the system's UTF-16 and back), panels
// that route their children's notifications to handlers, and controls made
// in the desktop's message font, each with its component name ("StartTB",
// "HostBanLE") as a control identifier derived from the name, so that a
// test, in this process or another, finds it by name. Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace pelmo::winui {

// Windows-1251 to UTF-16 and back ('?' for what the code page lacks).
std::wstring Wide(std::string_view cp1251);
std::string Narrow(std::wstring_view wide);

// The identifier of the control named name: the same in every process.
int ControlId(std::string_view name);
// The child (at any depth) of top with that name's identifier, or null.
HWND FindNamed(HWND top, std::string_view name);

// The component name of a top-level window ("MainForm", "InputBox"),
// as error reports name the active window; "" when it has none.
void SetWindowName(HWND window, const char* name);
std::string WindowName(HWND window);

// The desktop's message font (made once, kept for the program's life).
HFONT UiFont();
// The bold, larger font of headings and titles.
HFONT HeadingFont();
// Width of text in pixels in the message font.
int TextWidth(std::wstring_view text);
// Height of a line of text in the message font, and of a one-line field.
int LineHeight();
int FieldHeight();

// A panel: a child window that hands its children's WM_COMMAND and
// WM_NOTIFY to the handlers below, and paints in the dialog colour.
HWND MakePanel(HWND parent, int x, int y, int width, int height);

// A control of a system class (L"BUTTON", L"EDIT", ...) on parent, in the
// message font; name may be null for a control nobody looks for.
HWND MakeControl(HWND parent, const wchar_t* windowClass, const std::wstring& text,
                 DWORD style, int x, int y, int width, int height, const char* name = nullptr,
                 DWORD exStyle = 0);
// A label; width 0: as wide as its text.
HWND MakeLabel(HWND parent, const std::wstring& text, int x, int y, int width = 0,
               const char* name = nullptr);
HWND MakeButton(HWND parent, const std::wstring& text, int x, int y, const char* name,
                int width = 0);
HWND MakeCheck(HWND parent, const std::wstring& text, int x, int y, const char* name);
HWND MakeEdit(HWND parent, int x, int y, int width, const char* name, DWORD style = 0);
// Width a button needs for its text.
int ButtonWidth(const std::wstring& text);

// Handlers of a control's notifications (the code of WM_COMMAND's
// high word; the NMHDR of WM_NOTIFY). A handler's error goes to the error
// report set by SetErrorHandler.
void OnCommand(HWND control, std::function<void(int code)> handler);
void OnClick(HWND control, std::function<void()> handler);
void OnNotify(HWND control, std::function<LRESULT(NMHDR* header)> handler);
// A static control painted in this colour (0x00BBGGRR) by its panel.
void SetSwatch(HWND control, COLORREF color);
// Where errors escaping the handlers go.
void SetErrorHandler(std::function<void(const std::exception&)> handler);
// Runs a handler; an error escaping it goes to the error handler.
void Guarded(const std::function<void()>& handler);

// WM_CLOSE of a panel made top-level (a dialog): the handler instead of
// destroying it.
void OnClose(HWND panel, std::function<void()> handler);
// The button that Enter presses in a dialog made by MakeDialogWindow.
void SetDefaultButton(HWND dialog, HWND button);
// Routes a WM_COMMAND, WM_NOTIFY or WM_CTLCOLORSTATIC of a window that is
// not a panel (the main window) to the handlers; false when none took it.
bool Route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// A top-level panel: a dialog window of the given client size, centred on
// owner (or the screen); name as for controls.
HWND MakeDialogWindow(HWND owner, const std::wstring& title, int width, int height,
                      const char* name);

// A window's text as UTF-16, and set from UTF-16.
std::wstring GetText(HWND window);
void SetText(HWND window, const std::wstring& text);
bool Checked(HWND box);
void SetChecked(HWND box, bool on);

// Runs a modal window: its owner disabled, messages pumped until done()
// is true or the window is gone; the window is destroyed after.
void RunModal(HWND window, HWND owner, const std::function<bool()>& done);

}  // namespace pelmo::winui
