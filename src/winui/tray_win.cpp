#include "winui/tray_win.h"

#include <shellapi.h>

#include "pages/window_texts.h"
#include "winui/controls_win.h"
#include "winui/icons_win.h"
#include "winui/main_window_win.h"

namespace pelmo::winui {

Tray::Tray(HWND window) : m_window(window), m_menu(::CreatePopupMenu()) {
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  m_icons[0] = MakeAppIcon(size, false);
  m_icons[1] = MakeAppIcon(size, true);
  struct Item {
    int id;
    WindowCaption text;
  };
  const Item items[] = {
      {kN6, WindowCaption::kStartItem},         {kStop_Bot, WindowCaption::kStopItem},
      {kShowMM, WindowCaption::kShowItem},      {kHelpTM, WindowCaption::kTrayHelpItem},
      {kAboutTM, WindowCaption::kTrayAboutItem}, {kExitTM, WindowCaption::kExitItem},
  };
  for (const Item& item : items) {
    ::AppendMenuW(m_menu, MF_STRING, item.id, Wide(CaptionText(item.text)).c_str());
  }
}

Tray::~Tray() {
  Hide();
  ::DestroyMenu(m_menu);
  ::DestroyIcon(m_icons[0]);
  ::DestroyIcon(m_icons[1]);
}

bool Tray::Notify(DWORD message) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = m_window;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = m_icons[m_running ? 1 : 0];
  const std::wstring tip = m_tip.substr(0, std::size(data.szTip) - 1);
  tip.copy(data.szTip, tip.size());
  return ::Shell_NotifyIconW(message, &data) != FALSE;
}

void Tray::Show(bool running, const std::wstring& tip) {
  m_running = running;
  m_tip = tip;
  if (m_shown) {
    Notify(NIM_MODIFY);
    return;
  }
  // The window hides all the same: the tests see m_shown as the program's
  // wish even where a desktop refuses the icon.
  Notify(NIM_ADD);
  m_shown = true;
}

void Tray::Modify(bool running, const std::wstring& tip) {
  m_running = running;
  m_tip = tip;
  if (m_shown) Notify(NIM_MODIFY);
}

void Tray::Hide() {
  if (!m_shown) return;
  Notify(NIM_DELETE);
  m_shown = false;
}

int Tray::OpenMenu(POINT at) {
  // Without the window in front the menu would not close when the
  // operator clicks elsewhere.
  ::SetForegroundWindow(m_window);
  const int chosen = ::TrackPopupMenu(m_menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                      at.x, at.y, 0, m_window, nullptr);
  ::PostMessageW(m_window, WM_NULL, 0, 0);
  return chosen;
}

}  // namespace pelmo::winui
