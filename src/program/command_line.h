// The command line both programs take: the working folder, --help,
// --version, and any other argument for the birthday-check start.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

struct CommandLine {
  std::string dir = ".";
  // --dir was given.
  bool dirGiven = false;
  bool help = false;
  bool version = false;
  // --check: report on the working folder and end (pelmobot only).
  bool check = false;
  // Any argument that is not an option: start only for a birthday.
  bool birthdayCheck = false;
  // Why the line cannot be taken ("" when it can).
  std::string error;
};

// argv: program name first. Options a front-end's toolkit takes for itself
// must be removed before.
CommandLine ParseCommandLine(const std::vector<std::string>& argv);

// Without --dir the working folder is the current folder, or, when
// programFolder, the folder of the program's file programPath: on Windows
// a shortcut without "Start in" or a scheduled task starts the program in
// another folder (often system32), where a new installation must not be
// made.
void ChooseWorkFolder(CommandLine& line, const std::string& programPath, bool programFolder);

// The --help text: usage line for program, the summary line, the options
// both programs share, then extra, which ends the text ("\n" at least).
std::string UsageText(const std::string& program, const std::string& summary,
                      const std::string& extra);

// pelmobot's --help text.
std::string HeadlessUsageText();

}  // namespace pelmo
