// Pictures of windows: what a window shows on the screen, copied from the
// screen (or, for a window that is not on it, drawn with PrintWindow), and
// saved through GDI+ as JPEG or PNG. Main thread only.
#pragma once

#include <windows.h>

#include <string>

namespace pelmo::winui {

enum class PictureFormat { kJpeg, kPng };

// Saves window's picture (its frame included) to path; quality 0..100
// for JPEG. False when it cannot be taken or written.
bool SaveWindowPicture(HWND window, const std::wstring& path, PictureFormat format,
                       int quality = 100);
// The same for a rectangle of the screen (a menu open over the desktop).
bool SaveScreenPicture(const RECT& rect, const std::wstring& path, PictureFormat format,
                       int quality = 100);

}  // namespace pelmo::winui
