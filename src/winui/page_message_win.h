// A page model's message (pages/page_message.h) in the window's boxes:
// a warning or an information in a warning box, a question as Yes and No
// or as the two actions it names. Main thread only.
#pragma once

#include <windows.h>

#include "pages/page_message.h"

namespace pelmo::winui {

struct WinPlatform;

// Shows message; true when it was a question and the operator took its
// action. The focus then goes to the control focus, when there is one.
bool ShowPageMessage(const WinPlatform& platform, const PageMessage& message,
                     HWND focus = nullptr);

}  // namespace pelmo::winui
