#include "winui/start_refusal_win.h"

#include <windows.h>

#include "base/text_file.h"
#include "base/windows_text_win.h"

namespace pelmo::winui {

std::wstring RefusalText(const std::string& dir, const std::string& reason) {
  const std::wstring folder = WideFromUtf8(dir);
  if (!DirectoryExists(dir)) {
    return L"Нет рабочей папки " + folder +
           L".\r\n\r\nУкажите в параметре --dir папку с файлами бота (Net.ini, others.ini, "
           L"botfile).";
  }
  if (reason.rfind("another instance", 0) == 0) {
    return L"Бот уже работает: другая копия этого окна или pelmobot.exe. На компьютере "
           L"одновременно работает только один бот.";
  }
  return L"Рабочая папка " + folder + L" недоступна:\r\n" + WideFromUtf8(reason);
}

int ShowRefusal(const std::wstring& text) {
  ::MessageBoxW(nullptr, text.c_str(), L"Pelmo_bot v 1.3", MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace pelmo::winui
