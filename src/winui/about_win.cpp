#include "winui/about_win.h"

#include <string>

#include "pages/window_texts.h"
#include "winui/controls_win.h"

namespace pelmo::winui {

namespace {

constexpr int kMargin = 12;
const std::wstring kTitle = L"Pelmo_bot v 1.3";
const std::wstring kContacts =
    L"Вопросы и предложения: support@pelmo-bot.example\r\n"
    L"Страница проекта: https://pelmo-bot.example/";

HWND IconLabel(HWND parent, HICON icon, int x, int y) {
  HWND label = MakeControl(parent, L"STATIC", L"", SS_ICON, x, y, 32, 32);
  ::SendMessageW(label, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  return label;
}

HWND Title(HWND parent, int x, int y) {
  HWND title = MakeControl(parent, L"STATIC", kTitle, SS_NOPREFIX, x, y, 400, 2 * LineHeight());
  ::SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(HeadingFont()), FALSE);
  return title;
}

// The credits and the contacts from y on, width wide; returns the y below.
int Texts(HWND parent, int y, int width) {
  MakeControl(parent, L"STATIC", Wide(CaptionText(WindowCaption::kAboutCredits)), SS_NOPREFIX, kMargin, y, width, 3 * LineHeight());
  y += 3 * LineHeight() + kMargin;
  MakeControl(parent, L"STATIC", kContacts, SS_NOPREFIX, kMargin, y, width, 2 * LineHeight() + 4,
              "ContactsL");
  return y + 2 * LineHeight() + 4 + kMargin;
}

}  // namespace

HWND BuildAboutTab(HWND panel, HICON icon) {
  IconLabel(panel, icon, kMargin, kMargin);
  Title(panel, kMargin + 48, kMargin + 4);
  int y = kMargin + 48;
  MakeLabel(panel, L"Сборка 268", kMargin, y, 0, "BuildL");
  y += FieldHeight();
  const std::wstring countCaption = Wide(CaptionText(WindowCaption::kStartCount));
  MakeLabel(panel, countCaption, kMargin, y);
  HWND count = MakeLabel(panel, L"0", kMargin + TextWidth(countCaption) + 12, y, 120, "CountStartL");
  y += FieldHeight() + kMargin;
  Texts(panel, y, 560);
  return count;
}

void ShowAboutForm(HWND owner, HICON icon) {
  const int width = 460;
  HWND form = MakeDialogWindow(owner, L"О программе", width, 260, "About_Form");
  IconLabel(form, icon, kMargin, kMargin);
  Title(form, kMargin + 48, kMargin + 4);
  const int y = Texts(form, kMargin + 52, width - 2 * kMargin);
  const int buttonWidth = ButtonWidth(L"OK");
  HWND ok = MakeControl(form, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                        width - kMargin - buttonWidth, y, buttonWidth, FieldHeight() + 2, "OKB");
  RECT rect{0, 0, width, y + FieldHeight() + 2 + kMargin};
  ::AdjustWindowRectEx(&rect, static_cast<DWORD>(::GetWindowLongPtrW(form, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(form, GWL_EXSTYLE)));
  ::SetWindowPos(form, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  SetDefaultButton(form, ok);
  bool done = false;
  OnClick(ok, [&] { done = true; });
  OnClose(form, [&] { done = true; });
  ::SetFocus(ok);
  RunModal(form, owner, [&] { return done; });
}

}  // namespace pelmo::winui
