#include "winui/win_platform_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "winui/controls_win.h"

namespace pelmo::winui {

namespace {

constexpr int kMargin = 12;
// Room on a title bar beside the title: the icon and the buttons.
constexpr int kTitleBarExtra = 140;

// Height of a text wrapped to width in the message font.
int WrappedHeight(const std::wstring& text, int width) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, UiFont());
  RECT rect{0, 0, width, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return rect.bottom - rect.top;
}

}  // namespace

std::optional<std::wstring> InputBox(HWND owner, const std::wstring& title,
                                     const std::wstring& prompt) {
  const int width = std::max(360, TextWidth(title) + kTitleBarExtra);
  const int buttonsY = kMargin + LineHeight() + 8 + FieldHeight() + kMargin;
  const int height = buttonsY + FieldHeight() + 2 + kMargin;
  HWND box = MakeDialogWindow(owner, title, width, height, "InputBox");
  MakeLabel(box, prompt, kMargin, kMargin - 4, width - 2 * kMargin);
  HWND field = MakeEdit(box, kMargin, kMargin + LineHeight() + 8, width - 2 * kMargin, "InputE");
  const int buttonWidth = ButtonWidth(L"Cancel");
  HWND ok = MakeControl(box, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                        width - kMargin - 2 * buttonWidth - 8, buttonsY, buttonWidth,
                        FieldHeight() + 2, "OkB");
  SetDefaultButton(box, ok);
  HWND cancel = MakeControl(box, L"BUTTON", L"Отмена", BS_PUSHBUTTON | WS_TABSTOP,
                            width - kMargin - buttonWidth, buttonsY, buttonWidth,
                            FieldHeight() + 2, "CancelB");
  bool done = false;
  std::optional<std::wstring> answer;
  OnClick(ok, [&] {
    answer = GetText(field);
    done = true;
  });
  OnClick(cancel, [&] { done = true; });
  OnClose(box, [&] { done = true; });
  ::SetFocus(field);
  RunModal(box, owner, [&] { return done; });
  return answer;
}

bool ActionBox(HWND owner, const std::wstring& title, const std::wstring& text,
               const std::wstring& accept, const std::wstring& reject) {
  const int width = std::max(420, TextWidth(title) + kTitleBarExtra);
  const int textHeight = WrappedHeight(text, width - 2 * kMargin);
  const int buttonsY = kMargin + textHeight + kMargin;
  HWND box = MakeDialogWindow(owner, title, width, buttonsY + FieldHeight() + 2 + kMargin,
                              "ActionBox");
  MakeControl(box, L"STATIC", text, SS_NOPREFIX, kMargin, kMargin, width - 2 * kMargin,
              textHeight, "ActionTextL");
  const int rejectWidth = ButtonWidth(reject);
  const int acceptWidth = ButtonWidth(accept);
  HWND yes = MakeControl(box, L"BUTTON", accept, BS_DEFPUSHBUTTON | WS_TABSTOP,
                         width - kMargin - rejectWidth - 8 - acceptWidth, buttonsY, acceptWidth,
                         FieldHeight() + 2, "AcceptB");
  SetDefaultButton(box, yes);
  HWND no = MakeButton(box, reject, width - kMargin - rejectWidth, buttonsY, "RejectB");
  bool done = false;
  bool accepted = false;
  OnClick(yes, [&] {
    accepted = true;
    done = true;
  });
  OnClick(no, [&] { done = true; });
  OnClose(box, [&] { done = true; });
  ::SetFocus(yes);
  RunModal(box, owner, [&] { return done; });
  return accepted;
}

WinPlatform DefaultWinPlatform(std::function<HWND()> owner) {
  WinPlatform platform;
  platform.askText = [owner](const std::wstring& title, const std::wstring& prompt) {
    return InputBox(owner(), title, prompt);
  };
  platform.askColor = [owner](COLORREF initial) -> std::optional<COLORREF> {
    static COLORREF custom[16] = {};
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner();
    choose.rgbResult = initial;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!::ChooseColorW(&choose)) return std::nullopt;
    return choose.rgbResult;
  };
  platform.askYesNo = [owner](const std::wstring& title, const std::wstring& text) {
    return ::MessageBoxW(owner(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
  };
  platform.askAction = [owner](const std::wstring& title, const std::wstring& text,
                               const std::wstring& accept, const std::wstring& reject) {
    return ActionBox(owner(), title, text, accept, reject);
  };
  platform.warn = [owner](const std::wstring& title, const std::wstring& text) {
    ::MessageBoxW(owner(), text.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
  };
  platform.openDocument = [owner](const std::wstring& path) {
    // ShellExecute's result above 32 is success; below, the reason.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  };
  platform.trayAvailable = [] { return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; };
  return platform;
}

}  // namespace pelmo::winui
