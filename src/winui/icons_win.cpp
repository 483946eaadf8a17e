#include "winui/icons_win.h"

#include <algorithm>

namespace pelmo::winui {

namespace {

constexpr COLORREF kMaskColor = RGB(255, 0, 255);

// Draws the icon's shapes scaled from a 64 × 64 design; with mask set,
// everything opaque is black (the AND mask of an icon).
void DrawBot(HDC dc, int size, bool running, bool mask) {
  const auto s = [size](int v) { return v * size / 64; };
  const COLORREF fill = running ? RGB(0x2e, 0x9e, 0x4f) : RGB(0x8a, 0x8f, 0x94);
  const COLORREF rim = running ? RGB(0x1f, 0x6e, 0x37) : RGB(0x5e, 0x62, 0x66);
  HPEN pen = ::CreatePen(PS_SOLID, std::max(1, s(2)), mask ? RGB(0, 0, 0) : rim);
  HBRUSH brush = ::CreateSolidBrush(mask ? RGB(0, 0, 0) : fill);
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  HGDIOBJ oldBrush = ::SelectObject(dc, brush);
  ::RoundRect(dc, s(4), s(6), s(60), s(48), s(24), s(24));
  const POINT tail[] = {{s(16), s(44)}, {s(12), s(60)}, {s(30), s(46)}};
  ::Polygon(dc, tail, 3);
  if (!mask) {
    // The dumpling: a half moon with eyes.
    HPEN dough = ::CreatePen(PS_SOLID, std::max(1, s(2)), RGB(0xb8, 0x8a, 0x4a));
    HBRUSH filling = ::CreateSolidBrush(RGB(0xfb, 0xee, 0xd2));
    ::SelectObject(dc, dough);
    ::SelectObject(dc, filling);
    ::Chord(dc, s(14), s(14), s(50), s(54), s(50), s(34), s(14), s(34));
    HBRUSH eyes = ::CreateSolidBrush(RGB(0x40, 0x30, 0x20));
    ::SelectObject(dc, eyes);
    ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Ellipse(dc, s(24), s(23), s(28) + 1, s(27) + 1);
    ::Ellipse(dc, s(36), s(23), s(40) + 1, s(27) + 1);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(dough);
    ::DeleteObject(filling);
    ::DeleteObject(eyes);
  }
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
  ::DeleteObject(pen);
  ::DeleteObject(brush);
}

void DrawTool(HDC dc, int index, int x) {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  switch (index) {
    case 0: {  // start: a green triangle
      brush = ::CreateSolidBrush(RGB(0x2e, 0x9e, 0x4f));
      pen = ::CreatePen(PS_SOLID, 1, RGB(0x1f, 0x6e, 0x37));
      ::SelectObject(dc, brush);
      ::SelectObject(dc, pen);
      const POINT play[] = {{x + 4, 2}, {x + 13, 8}, {x + 4, 14}};
      ::Polygon(dc, play, 3);
      break;
    }
    case 1: {  // stop: a red square
      brush = ::CreateSolidBrush(RGB(0xc8, 0x30, 0x30));
      pen = ::CreatePen(PS_SOLID, 1, RGB(0x80, 0x20, 0x20));
      ::SelectObject(dc, brush);
      ::SelectObject(dc, pen);
      ::Rectangle(dc, x + 3, 3, x + 13, 13);
      break;
    }
    case 2: {  // clear: a sheet crossed out
      brush = ::CreateSolidBrush(RGB(255, 255, 255));
      pen = ::CreatePen(PS_SOLID, 1, RGB(0x50, 0x50, 0x50));
      ::SelectObject(dc, brush);
      ::SelectObject(dc, pen);
      ::Rectangle(dc, x + 3, 1, x + 13, 15);
      HPEN cross = ::CreatePen(PS_SOLID, 2, RGB(0xc8, 0x30, 0x30));
      ::SelectObject(dc, cross);
      ::MoveToEx(dc, x + 4, 4, nullptr);
      ::LineTo(dc, x + 12, 12);
      ::MoveToEx(dc, x + 12, 4, nullptr);
      ::LineTo(dc, x + 4, 12);
      ::SelectObject(dc, pen);
      ::DeleteObject(cross);
      break;
    }
    default: {  // refresh: a blue ring with an arrow head
      pen = ::CreatePen(PS_SOLID, 2, RGB(0x20, 0x60, 0xc0));
      brush = ::CreateSolidBrush(RGB(0x20, 0x60, 0xc0));
      ::SelectObject(dc, pen);
      ::SelectObject(dc, brush);
      ::Arc(dc, x + 2, 2, x + 14, 14, x + 14, 6, x + 8, 2);
      const POINT head[] = {{x + 11, 0}, {x + 15, 5}, {x + 10, 6}};
      ::Polygon(dc, head, 3);
      break;
    }
  }
  ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
  ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
  if (pen != nullptr) ::DeleteObject(pen);
  if (brush != nullptr) ::DeleteObject(brush);
}

}  // namespace

HICON MakeAppIcon(int size, bool running) {
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP color = ::CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);
  RECT all{0, 0, size, size};

  HGDIOBJ old = ::SelectObject(dc, mask);
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  DrawBot(dc, size, running, true);
  ::SelectObject(dc, color);
  // Black where the mask is transparent, so the icon's XOR leaves the
  // background alone.
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  DrawBot(dc, size, running, false);
  ::SelectObject(dc, old);

  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(color);
  ::DeleteObject(mask);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return icon;
}

HIMAGELIST MakeToolBarImages() {
  constexpr int kCount = 4;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP strip = ::CreateCompatibleBitmap(screen, 16 * kCount, 16);
  HGDIOBJ old = ::SelectObject(dc, strip);
  RECT all{0, 0, 16 * kCount, 16};
  HBRUSH background = ::CreateSolidBrush(kMaskColor);
  ::FillRect(dc, &all, background);
  ::DeleteObject(background);
  for (int i = 0; i < kCount; ++i) DrawTool(dc, i, 16 * i);
  ::SelectObject(dc, old);
  HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, kCount, 0);
  ::ImageList_AddMasked(list, strip, kMaskColor);
  ::DeleteObject(strip);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace pelmo::winui
