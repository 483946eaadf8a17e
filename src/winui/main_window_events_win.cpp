// The control window's messages: its window procedure (menus, tool bar,
// title bar, notification icon, session end) and the bot's views.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "core/bot_faces.h"
#include "winui/controls_win.h"
#include "winui/main_window_win.h"
#include "winui/settings_tab_win.h"
#include "winui/tray_win.h"

namespace pelmo::winui {

void MainWindow::Command(int id) {
  switch (id) {
    case kExitMM:
    case kExitTM:
      CloseProgram();
      break;
    case kHelpMM:
    case kHelpTM:
      HelpClick();
      break;
    case kAboutMM:
      AboutBoxClick();
      break;
    case kAboutTM:
      AboutFormClick();
      break;
    case kStartTB:
      StartTBClick();
      break;
    case kStopTb:
      StopTBClick();
      break;
    case kClearLogTB:
      ClearLogTBClick();
      break;
    case kRefreshUsrList:
      RefreshUsrListClick();
      break;
    case kN6:
      N6Click();
      break;
    case kStop_Bot:
      Stop_BotClick();
      break;
    case kShowMM:
      ShowMMClick();
      break;
    default:
      break;
  }
}

void MainWindow::LineAdded(const WindowLine& line) {
  if (m_logEntries.size() >= WindowModel::kMaxLines) {
    // The oldest entry goes with all its paragraphs and the break after it.
    ::SendMessageW(m_log, EM_SETSEL, 0, m_logEntries[0].text + m_logEntries[1].lead);
    ::SendMessageW(m_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    m_logEntries.pop_front();
    m_logEntries.front().lead = 0;
  }
  // A line break inside a chat line stays inside its entry: the
  // continuation is indented, so it cannot pose as an entry of its own.
  std::wstring body;
  const std::wstring text = Wide(line.text);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      body += L"\r\n";
      if (i + 1 < text.size()) body += L"    ";
    } else {
      body.push_back(text[i]);
    }
  }
  const auto end = [this] {
    ::SendMessageW(m_log, EM_SETSEL, -1, -1);
    CHARRANGE range{};
    ::SendMessageW(m_log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMax;
  };
  const auto append = [this](const std::wstring& part, COLORREF partColor) {
    ::SendMessageW(m_log, EM_SETSEL, -1, -1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = partColor;
    ::SendMessageW(m_log, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    ::SendMessageW(m_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
  };
  // The lengths as the control counts them (a paragraph break may be one).
  LogEntry entry;
  const LONG before = end();
  if (!m_logEntries.empty()) append(L"\r\n", RGB(0, 0, 0));
  const LONG start = end();
  entry.lead = start - before;
  append(Wide(line.prefix), RGB(0, 0, 0));
  append(body, line.color);
  entry.text = end() - start;
  m_logEntries.push_back(entry);
  ::SendMessageW(m_log, WM_VSCROLL, SB_BOTTOM, 0);
}

void MainWindow::LinesCleared() {
  SetText(m_log, L"");
  m_logEntries.clear();
}

void MainWindow::UsersChanged() {
  ::SendMessageW(m_users, LB_RESETCONTENT, 0, 0);
  for (const std::string& user : m_model.Users()) {
    const std::wstring text = Wide(user);
    ::SendMessageW(m_users, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  PanelChanged(0);
}

void MainWindow::PanelChanged(int panel) {
  const std::wstring wide = Wide(m_model.Panel(panel));
  ::SendMessageW(m_status, SB_SETTEXTW, panel, reinterpret_cast<LPARAM>(wide.c_str()));
  if (panel == 2) {
    const std::wstring status = Wide(m_model.Status());
    ::SendMessageW(m_status, SB_SETTIPTEXTW, panel, reinterpret_cast<LPARAM>(status.c_str()));
    TrayChanged();
  }
}

void MainWindow::TopicChanged() { SetText(m_topic, Wide(m_model.Topic())); }

std::wstring MainWindow::StatusPanel(int index) const {
  const auto length = LOWORD(::SendMessageW(m_status, SB_GETTEXTLENGTHW, index, 0));
  std::wstring text(length + 1u, L'\0');
  ::SendMessageW(m_status, SB_GETTEXTW, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

std::wstring MainWindow::LogText() const { return GetText(m_log); }

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    reinterpret_cast<MainWindow*>(create->lpCreateParams)->m_window = window;
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Route(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      if (lParam == 0 || reinterpret_cast<HWND>(lParam) == m_toolBar) {
        const int id = LOWORD(wParam);
        Guarded([this, id] { Command(id); });
        return 0;
      }
      break;
    case WM_SIZE:
      if (m_settings && wParam != SIZE_MINIMIZED) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {640, 480};
      return 0;
    }
    case WM_SYSCOMMAND: {
      const WPARAM command = wParam & 0xFFF0;
      if ((command == SC_MINIMIZE || command == SC_CLOSE) && !Closed()) {
        Guarded([this, command] { SystemCommand(command == SC_CLOSE); });
        // The system's minimise is what SystemCommand asked for, if any.
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      // A close that is no system command (another program's WM_CLOSE).
      Guarded([this] { SystemCommand(true); });
      return 0;
    case Tray::kCallbackMessage:
      if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
        Guarded([this] { ShowMMClick(); });
      } else if (LOWORD(lParam) == WM_RBUTTONUP) {
        POINT at{};
        ::GetCursorPos(&at);
        const int chosen = m_tray->OpenMenu(at);
        if (chosen != 0) Guarded([this, chosen] { Command(chosen); });
      }
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process ends when this returns: the bot says goodbye first.
      if (wParam != 0) Guarded([this] { CloseProgram(); });
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace pelmo::winui
