// What a window program started from the desktop says when it cannot
// start: nobody reads its standard error there, so the reason goes into a
// box as well (its text: pages/window_texts.h). Main thread only.
#pragma once

#include <string>

namespace pelmo::winui {

// Shows the refusal in the system's error box; returns the exit code 1.
int ShowRefusal(const std::wstring& text);

}  // namespace pelmo::winui
