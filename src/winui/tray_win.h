// The notification-area icon (identifier 1, callback message 1124) with
// its menu "Запустить Бота", "Остановить Бота", "Развернуть", "Справка",
// "О программе", "Выход". What minimising and closing the window do, and
// the icon's picture and tip, are the window model's. Main thread only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace pelmo::winui {

class Tray {
 public:
  static constexpr UINT kCallbackMessage = WM_USER + 100;
  static constexpr UINT kIconId = 1;

  explicit Tray(HWND window);
  ~Tray();
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;

  // Adds the icon (or changes it, when it is there) with the running or
  // stopped picture and the tip (cut to the system's 127 characters).
  void Show(bool running, const std::wstring& tip);
  // Changes picture and tip; the icon stays hidden when it is.
  void Modify(bool running, const std::wstring& tip);
  void Hide();
  bool Shown() const { return m_shown; }
  bool RunningPicture() const { return m_running; }
  const std::wstring& Tip() const { return m_tip; }

  // The icon's menu at the point; the command chosen, 0 for none.
  int OpenMenu(POINT at);
  HMENU Menu() const { return m_menu; }

 private:
  bool Notify(DWORD message);

  HWND m_window;
  HMENU m_menu;
  HICON m_icons[2];
  bool m_shown = false;
  bool m_running = false;
  std::wstring m_tip;
};

}  // namespace pelmo::winui
