// pelmobot: the bot without a window. The log goes to standard output,
// lines typed on a terminal go into the chat, SIGTERM and SIGINT (on
// Windows Ctrl+C and closing the console) close the program as closing the
// window does, SIGHUP reads the files again. A start that keeps failing
// ends the program with status 1. The platform's part is
// console_session.h.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "base/cp1251.h"
#include "console_session.h"
#include "program/folder_check.h"
#include "program/program.h"
#include "program/program_files.h"
#include "program/start_retry.h"

namespace {

using namespace pelmo;

const std::string kUsage = HeadlessUsageText();

int RunBot(const CommandLine& line) {
  std::unique_ptr<ConsoleSession> session;
  try {
    session = std::make_unique<ConsoleSession>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot: %s\n", e.what());
    return 1;
  }
  SystemClock clock;
  Program program(session->Loop(), clock, line.dir, ProgramPath("pelmobot"));
  BotLife& life = program.Faces().life;
  BotConsole& console = program.Faces().console;
  console.AddView(&session->LogView());

  bool closing = false;
  const auto close = [&] {
    if (closing) return;
    closing = true;
    // Quit first: should the close fail, the loop still ends.
    session->Quit();
    life.Close();
  };
  session->Start(close, [&](const std::string& typed) { console.SayConsoleLine(Utf8ToCp1251(typed)); });
  session->OnReload([&] { life.ReloadFiles(); });
  int status = 0;
  StartRetry retry(session->Loop(), life, console.Log(), StartRetryWindow(), [&] {
    console.Log().LogLine(W("Программа завершается с кодом 1."));
    status = 1;
    close();
  });

  program.Start();
  retry.AfterStart();
  // An error escaping a handler is logged and the loop goes on, as the
  // window's message loop would after its error report.
  for (;;) {
    try {
      session->Run();
      break;
    } catch (const std::exception& e) {
      program.LogError(e);
    }
  }
  console.RemoveView(&session->LogView());
  return status;
}

int Main(int argc, char** argv) {
  CommandLine line = ParseCommandLine(ProgramArguments(argc, argv));
  ChooseWorkFolder(line, ProgramPath("pelmobot"), kWorkFolderIsProgramFolder);
  if (line.check && line.error.empty() && !line.help && !line.version) {
    return RunFolderCheck(line.dir, ProgramPath("pelmobot"));
  }
  InstanceLock lock;
  if (const int code = TakeCommandLine(line, "pelmobot", kUsage, lock); code >= 0) return code;
  return RunBot(line);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelmobot: %s\n", e.what());
    return 1;
  }
}
