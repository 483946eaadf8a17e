// pelmobot-gui --stop: a script's way to end the running window program as
// the operator's "Exit" does (goodbye to the chat, the run counted in
// others.ini). taskkill without /f only hides the window into the
// notification area, as the title bar's close does; with /f it skips the
// goodbye.
#pragma once

#include <chrono>
#include <string>

namespace pelmo::winui {

// Asks the running control window (found by its window class) to exit and
// waits up to timeout for its process to end. 0: it ended; 1: none runs
// (a headless pelmobot.exe is not reached); 2: it did not end in time.
// message: what to tell the caller.
int StopRunningWindow(std::chrono::milliseconds timeout, std::string& message);

}  // namespace pelmo::winui
