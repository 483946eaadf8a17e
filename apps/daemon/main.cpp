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

const std::string kUsage = UsageText(
    "pelmobot", "Runs the Pelmo_bot chat bot without a window.",
    "\n\n"
    "The log goes to standard output. On a terminal, lines typed on standard\n"
    "input are said in the chat. SIGTERM or SIGINT (on Windows Ctrl+C or\n"
    "closing the console window) stops the bot, which says goodbye to the\n"
    "chat and counts the run in others.ini. SIGHUP (Linux) reads Net.ini,\n"
    "others.ini and the data files again without leaving the chat; the bot\n"
    "leaves and joins again only when the network settings, the cipher key,\n"
    "its nick or its host changed.\n"
    "\n"
    "When the bot cannot be started (a bad group address, a busy port, sniffer\n"
    "mode without the right to capture), the start is tried again after 2, 4,\n"
    "8, 16 and 30 seconds; when the last try fails too, the program ends\n"
    "with status 1, so that a service manager can start it again. For tests,\n"
    "PELMOBOT_START_RETRY_SECONDS=S in the environment makes that minute S\n"
    "seconds long.\n"
    "\n"
    "  --check     report what the bot will get from the working folder and every\n"
    "              problem found, then exit: 0 when the folder will work, 1 when\n"
    "              not. Changes nothing in the folder.\n");

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
  BotControl& bot = program.Control();
  bot.AddView(&session->LogView());

  bool closing = false;
  const auto close = [&] {
    if (closing) return;
    closing = true;
    // Quit first: should the close fail, the loop still ends.
    session->Quit();
    bot.FormClose();
  };
  session->Start(close, [&](const std::string& typed) { bot.ConsoleInput(Utf8ToCp1251(typed)); });
  session->OnReload([&] { bot.ReloadFiles(); });
  int status = 0;
  StartRetry retry(session->Loop(), bot, bot.Log(), StartRetryWindow(), [&] {
    bot.Log().LogLine(W("Программа завершается с кодом 1."));
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
  bot.RemoveView(&session->LogView());
  return status;
}

int Main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(ProgramArguments(argc, argv));
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
