#include "winui/page_message_win.h"

#include <string_view>

#include "winui/controls_win.h"
#include "winui/win_platform_win.h"

namespace pelmo::winui {

std::wstring WindowsPaths(std::wstring text) {
  const auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    const bool drive = isLetter(text[i]) && text[i + 1] == L':' &&
                       (text[i + 2] == L'/' || text[i + 2] == L'\\') &&
                       (i == 0 || !(isLetter(text[i - 1]) || (text[i - 1] >= L'0' && text[i - 1] <= L'9')));
    if (!drive) continue;
    for (i += 2; i < text.size() && std::wstring_view(L":*?\"<>|\r\n«»").find(text[i]) ==
                                       std::wstring_view::npos;
         ++i) {
      if (text[i] == L'/') text[i] = L'\\';
    }
  }
  return text;
}

bool ShowPageMessage(const WinPlatform& platform, const PageMessage& message, HWND focus) {
  const std::wstring title = Wide(message.title);
  const std::wstring text = WindowsPaths(Wide(message.text));
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
