// pelmo_gui_driver.exe: drives a running pelmobot-gui.exe from another
// process with window messages, as an operator's clicks would, for the
// end-to-end tests under wine. Each argument group is one step:
//   wait                     until the control window is there (60 s)
//   tab N                    shows tab N (0 log, 1 settings, 2 about)
//   node N                   selects the settings tree's node N
//   type NAME TEXT           puts TEXT (UTF-8) into the field NAME
//   click NAME               presses the button NAME
//   snap FILE                saves the window's picture as PNG
//   exit                     "Фа&йл" / "&Exit"
// Exit code 0 when every step was done, 1 with the failed step on stderr.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/windows_text_win.h"
#include "program/program_files.h"
#include "winui/controls_win.h"
#include "winui/main_window_win.h"
#include "winui/picture_win.h"

namespace {

using namespace pelmo;
using namespace pelmo::winui;

HWND MainForm() { return ::FindWindowW(L"PelmoMainForm", L"Pelmo_bot v 1.3"); }

bool Fail(const std::string& step) {
  std::fprintf(stderr, "pelmo_gui_driver: %s\n", step.c_str());
  return false;
}

bool Step(HWND window, const std::vector<std::string>& args, std::size_t& i) {
  const std::string& verb = args[i];
  auto next = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
  if (verb == "tab") {
    // Focusing a tab of a tab control without buttons selects it, with
    // the notifications a click sends.
    HWND tabs = FindNamed(window, "PageControl1");
    ::SendMessageW(tabs, TCM_SETCURFOCUS, std::stoi(next()), 0);
    return tabs != nullptr || Fail("no tab control");
  }
  if (verb == "node") {
    const int index = std::stoi(next());
    HWND tree = FindNamed(window, "OptionsTV");
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (int k = 0; item != nullptr && k < index; ++k) {
      item = reinterpret_cast<HTREEITEM>(
          ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
    }
    if (item == nullptr) return Fail("no tree node " + std::to_string(index));
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return true;
  }
  if (verb == "type") {
    const std::string name = next();
    const std::wstring text = WideFromUtf8(next());
    HWND field = FindNamed(window, name);
    if (field == nullptr) return Fail("no field " + name);
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
  }
  if (verb == "click") {
    const std::string name = next();
    HWND button = FindNamed(window, name);
    if (button == nullptr) return Fail("no button " + name);
    ::SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  if (verb == "snap") {
    const std::wstring path = WideFromUtf8(next());
    ::SetForegroundWindow(window);
    ::Sleep(300);  // the window's repaint after it comes to the front
    return SaveWindowPicture(window, path, PictureFormat::kPng) || Fail("no picture");
  }
  if (verb == "exit") {
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(kExitMM, 0), 0);
    return true;
  }
  return Fail("unknown step " + verb);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  HWND window = MainForm();
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "wait") {
      for (int tries = 0; window == nullptr && tries < 600; ++tries) {
        ::Sleep(100);
        window = MainForm();
      }
      continue;
    }
    if (window == nullptr) return Fail("no window \"Pelmo_bot v 1.3\""), 1;
    if (!Step(window, args, i)) return 1;
  }
  return 0;
}
