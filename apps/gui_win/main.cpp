// pelmobot-gui.exe: the bot with its control window on Windows. The same
// working folder option (default: the program's own folder) and the same
// one-bot rule as pelmobot.exe (the mutex "MyOwnMutex"); the end of the
// session and "pelmobot-gui --stop" close the program as "Выход" does. A start that is refused is said in a box, as nobody reads
// standard error when the program is started from the desktop.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "base/windows_text_win.h"
#include "core/error_text.h"
#include "pages/window_start.h"
#include "program/program.h"
#include "program/program_files.h"
#include "winui/controls_win.h"
#include "winui/error_report_win.h"
#include "winui/main_window_win.h"
#include "winui/start_refusal_win.h"
#include "winui/stop_request_win.h"
#include "winui/win_event_loop_win.h"

namespace {

using namespace pelmo;

const std::string kUsage = UsageText(
    "pelmobot-gui", "Runs the Pelmo_bot chat bot with its control window.",
    "\n\nA start that cannot be made is said in a box as well.\n"
    "\n"
    "  --stop      end the running pelmobot-gui as its Exit does (goodbye to the\n"
    "              chat, the run counted) and wait for it: exit status 0 when it\n"
    "              ended, 1 when none runs, 2 when it has not ended in 30 s\n");

int RunWindow(const CommandLine& line, const std::string& note) {
  SystemClock clock;
  WinEventLoop loop;
  const std::string programPath = ProgramPath("pelmobot-gui.exe");
  Program program(loop, clock, line.dir, programPath);
  const std::wstring path = WideFromUtf8(programPath);
  winui::MainWindow window(program.Faces(), loop, path.substr(0, path.find_last_of(L"\\/")));
  window.AddServicePages(program.Services());
  window.AddGamePages(program.GamesOf());
  window.AddTimedPages(program.Timed());
  winui::ErrorReporter reporter(clock, program.Faces().settings.Settings(), JoinPath(line.dir, "Errors"),
                                "pelmobot-gui", kProgramVersion);
  auto report = [&](const std::exception& e) {
    reporter.Report(ToLogText(e.what()), ::GetActiveWindow(), window.Window());
  };
  winui::SetErrorHandler(report);
  loop.SetErrorHandler(report);

  ::ShowWindow(window.Window(), SW_SHOWNORMAL);
  winui::Guarded([&] {
    program.Start([&] { window.ShowStarted(); });
    window.Model().ProgramStarted();
  });
  if (!note.empty()) window.Model().Note(Utf8ToCp1251(note));
  const int code = window.Closed() ? 0 : loop.Run(window.Window());
  winui::SetErrorHandler(nullptr);
  loop.SetErrorHandler(nullptr);
  return code;
}

int Main(int argc, char** argv) {
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  if (const int code = AnswerHelpOrVersion(args, "pelmobot-gui", kUsage); code >= 0) return code;
  if (args.size() == 2 && args[1] == "--stop") {
    std::string message;
    const int code = winui::StopRunningWindow(std::chrono::seconds(30), message);
    std::fprintf(stderr, "pelmobot-gui: %s\n", message.c_str());
    return code;
  }
  CommandLine line = ParseCommandLine(args);
  ChooseWorkFolder(line, ProgramPath("pelmobot-gui.exe"), kWorkFolderIsProgramFolder);
  InstanceLock lock;
  if (!line.error.empty()) return TakeCommandLine(line, "pelmobot-gui", kUsage, lock);

  const WindowStart start =
      CheckWindowStart(line, "pelmobot-gui", ProgramPath("pelmobot-gui.exe"), lock);
  if (start.code >= 0) {
    return start.refusal.empty() ? start.code : winui::ShowRefusal(WideFromUtf8(start.refusal));
  }
  return RunWindow(line, start.note);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot-gui: %s\n", e.what());
    return 1;
  }
}
