#include "program/command_line.h"

#include "program/program_files.h"

namespace pelmo {

CommandLine ParseCommandLine(const std::vector<std::string>& argv) {
  const std::size_t count = argv.size();
  CommandLine line;
  for (std::size_t i = 1; i < count; ++i) {
    const std::string& arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--check") {
      line.check = true;
    } else if (arg == "--dir") {
      if (i + 1 >= count) {
        line.error = "--dir needs a folder";
        return line;
      }
      line.dir = argv[++i];
      line.dirGiven = true;
    } else if (arg.rfind("--dir=", 0) == 0) {
      line.dir = arg.substr(6);
      line.dirGiven = true;
    } else if (arg == "--") {
      // Whatever follows is an argument, even when it begins with "-".
      line.birthdayCheck = line.birthdayCheck || i + 1 < count;
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      // A mistyped option must not pass for the birthday-check start.
      line.error = "unknown option " + arg;
      return line;
    } else {
      line.birthdayCheck = true;
    }
  }
  if (line.dir.empty()) line.error = "--dir needs a folder";
  return line;
}

void ChooseWorkFolder(CommandLine& line, const std::string& programPath, bool programFolder) {
  if (line.dirGiven || !programFolder) return;
  const std::size_t slash = programPath.find_last_of("/\\");
  if (slash == std::string::npos) return;
  // A root keeps its slash: "C:" alone is that drive's current folder.
  std::string folder = programPath.substr(0, slash);
  if (folder.empty() || folder.back() == ':') folder = programPath.substr(0, slash + 1);
  line.dir = folder;
}

std::string UsageText(const std::string& program, const std::string& summary,
                      const std::string& extra) {
  return "Usage: " + program + " [--dir DIR] [ANY...]\n" + summary +
         "\n"
         "\n"
         "  --dir DIR   the working folder with Net.ini, others.ini, extcmds.ini,\n"
         "              botfile/ and user/ (default: " +
         std::string(kWorkFolderIsProgramFolder ? "the program's folder" : "the current folder") +
         ")\n"
         "  --help      show this text and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "Any other argument (not an option) selects the birthday-check start:\n"
         "the bot runs only when somebody in botfile/BirthDay.dat has a birthday\n"
         "today or tomorrow." +
         extra;
}

std::string HeadlessUsageText() {
  return UsageText(
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
}

}  // namespace pelmo
