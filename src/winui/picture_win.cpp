#include "winui/picture_win.h"

// GDI+ needs the min and max of windows.h, which the build switches off.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include <vector>

namespace pelmo::winui {

namespace {

// GDI+ is started once for the program's life.
bool StartGdiplus() {
  static const bool started = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

bool EncoderFor(const wchar_t* mime, CLSID& clsid) {
  UINT count = 0;
  UINT size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<unsigned char> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == mime) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

bool SaveBitmap(HBITMAP bitmap, const std::wstring& path, PictureFormat format, int quality) {
  if (!StartGdiplus()) return false;
  CLSID clsid{};
  if (!EncoderFor(format == PictureFormat::kJpeg ? L"image/jpeg" : L"image/png", clsid)) return false;
  Gdiplus::Bitmap image(bitmap, nullptr);
  if (image.GetLastStatus() != Gdiplus::Ok) return false;
  Gdiplus::EncoderParameters parameters{};
  ULONG value = static_cast<ULONG>(std::clamp(quality, 0, 100));
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Value = &value;
  return image.Save(path.c_str(), &clsid,
                    format == PictureFormat::kJpeg ? &parameters : nullptr) == Gdiplus::Ok;
}

// Copies width × height at (x, y) of source into a new bitmap, or draws
// window into it when source is null.
HBITMAP Capture(HDC source, int x, int y, int width, int height, HWND window) {
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  bool ok;
  if (source != nullptr) {
    ok = ::BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY) != FALSE;
  } else {
    ok = ::PrintWindow(window, memory, 0) != FALSE;
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!ok) {
    ::DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

}  // namespace

bool SaveScreenPicture(const RECT& rect, const std::wstring& path, PictureFormat format,
                       int quality) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = Capture(screen, rect.left, rect.top, width, height, nullptr);
  ::ReleaseDC(nullptr, screen);
  if (bitmap == nullptr) return false;
  const bool saved = SaveBitmap(bitmap, path, format, quality);
  ::DeleteObject(bitmap);
  return saved;
}

bool SaveWindowPicture(HWND window, const std::wstring& path, PictureFormat format, int quality) {
  RECT rect{};
  if (window == nullptr || !::GetWindowRect(window, &rect)) return false;
  if (::IsWindowVisible(window) && !::IsIconic(window)) {
    // What the operator sees, the window's own drawing as the screen has it.
    // A control changed just now (a button disabled, a text set) is drawn
    // first, and the screen is given a moment to show that drawing: a
    // compositor shows it a frame later, and read at once the screen can
    // still hold the control without its new caption.
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
    const DWORD until = ::GetTickCount() + 100;
    for (DWORD now = ::GetTickCount(); now < until; now = ::GetTickCount()) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_PAINT);
      ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    return SaveScreenPicture(rect, path, format, quality);
  }
  HBITMAP bitmap =
      Capture(nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, window);
  if (bitmap == nullptr) return false;
  const bool saved = SaveBitmap(bitmap, path, format, quality);
  ::DeleteObject(bitmap);
  return saved;
}

}  // namespace pelmo::winui
