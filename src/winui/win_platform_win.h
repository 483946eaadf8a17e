// What the window asks of the desktop: the input box, the colour dialog,
// the message boxes, the shell's opening of a document, the notification
// area. The defaults are the system's dialogs and boxes of our own; tests
// put their own answers in, so that no modal box blocks a test. Texts are
// UTF-16. Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace pelmo::winui {

struct WinPlatform {
  // An input box: the text, or nullopt when cancelled.
  std::function<std::optional<std::wstring>(const std::wstring& title, const std::wstring& prompt)>
      askText;
  // The colour dialog (0x00BBGGRR): the colour chosen, or nullopt.
  std::function<std::optional<COLORREF>(COLORREF initial)> askColor;
  // A Yes/No question; true for Yes.
  std::function<bool(const std::wstring& title, const std::wstring& text)> askYesNo;
  // A message offering one action: true when the operator takes it (the
  // button named accept), false for the button named reject.
  std::function<bool(const std::wstring& title, const std::wstring& text,
                     const std::wstring& accept, const std::wstring& reject)>
      askAction;
  // A warning box.
  std::function<void(const std::wstring& title, const std::wstring& text)> warn;
  // Opens a document with the program the shell has for it; false when
  // there is none (or it could not be started).
  std::function<bool(const std::wstring& path)> openDocument;
  // True when the desktop has a notification area.
  std::function<bool()> trayAvailable;
};

// The system's boxes and dialogs, owned by the window owner() returns.
WinPlatform DefaultWinPlatform(std::function<HWND()> owner);

// The input box ("InputBox": a prompt, the field InputE, OK and Cancel),
// wide enough for its whole title.
std::optional<std::wstring> InputBox(HWND owner, const std::wstring& title,
                                     const std::wstring& prompt);
// A box with a text and two buttons ("ActionBox"); true for accept.
bool ActionBox(HWND owner, const std::wstring& title, const std::wstring& text,
               const std::wstring& accept, const std::wstring& reject);

}  // namespace pelmo::winui
