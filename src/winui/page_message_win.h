// A page model's message (pages/page_message.h) in the window's boxes:
// a warning or an information in a warning box, a question as Yes and No
// or as the two actions it names. Main thread only.
#pragma once

#include <windows.h>

#include <string>

#include "pages/page_message.h"

namespace pelmo::winui {

struct WinPlatform;

// text with the paths in it written as Windows writes them: in a path
// that starts with a drive ("C:/"), every "/" becomes "\\" up to the end
// of its line or a character no Windows path holds. The files and the
// bot's core keep their own paths; only the boxes show these.
std::wstring WindowsPaths(std::wstring text);

// Shows message (its paths as WindowsPaths writes them); true when it was a question and the operator took its
// action. The focus then goes to the control focus, when there is one.
bool ShowPageMessage(const WinPlatform& platform, const PageMessage& message,
                     HWND focus = nullptr);

}  // namespace pelmo::winui
