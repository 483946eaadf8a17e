// The about tab "О програ&мме" (product title, build label, the start
// counter CountStartL, credits and contacts) and the About window
// "О программе" (About_Form, closed with OK). Main thread only.
#pragma once

#include <windows.h>

namespace pelmo::winui {

// Fills the tab's panel; returns the start counter's label.
HWND BuildAboutTab(HWND panel, HICON icon);
// Shows the About window modally over owner.
void ShowAboutForm(HWND owner, HICON icon);

}  // namespace pelmo::winui
