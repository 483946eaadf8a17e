#include "winui/page_message_win.h"

#include "winui/controls_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

bool ShowPageMessage(const WinPlatform& platform, const PageMessage& message, HWND focus) {
  const std::wstring title = Wide(message.title);
  const std::wstring text = Wide(message.text);
  bool taken = false;
  if (message.kind != MessageKind::kQuestion) {
    if (platform.warn) platform.warn(title, text);
  } else if (message.yes.empty() && message.no.empty()) {
    taken = platform.askYesNo && platform.askYesNo(title, text);
  } else {
    taken = platform.askAction &&
            platform.askAction(title, text, Wide(message.yes), Wide(message.no));
  }
  if (focus != nullptr) ::SetFocus(focus);
  return taken;
}

}  // namespace pelmo::winui
