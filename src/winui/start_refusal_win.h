// What a window program started from the desktop says when it cannot
// start: nobody reads its standard error there, so the reason goes into a
// box as well. Main thread only.
#pragma once

#include <string>

namespace pelmo::winui {

// The box's text for a start refused for reason (CheckBeforeStart's
// one-line reason) in the working folder dir (UTF-8).
std::wstring RefusalText(const std::string& dir, const std::string& reason);
// Shows the refusal in the system's error box; returns the exit code 1.
int ShowRefusal(const std::wstring& text);

}  // namespace pelmo::winui
