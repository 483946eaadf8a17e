// The program's pictures, drawn with GDI so that the .exe needs no
// resource files: the application icon (a speech bubble with a dumpling,
// green while the bot runs, grey when it is stopped) and the tool bar's
// buttons (start, stop, clear the log, refresh the user list).
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace pelmo::winui {

// A new icon of size × size pixels; the caller destroys it.
HICON MakeAppIcon(int size, bool running);
// The four tool bar images, 16 × 16, in that order.
HIMAGELIST MakeToolBarImages();

}  // namespace pelmo::winui
