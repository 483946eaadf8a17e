// What both window programs do between their command line and their
// window: a missing working folder made from the installed default one,
// then the checks before the bot (program.h), a refusal worded for a box,
// as nobody reads standard error when the program is started from the
// desktop. Main thread only.
#pragma once

#include <string>

namespace pelmo {

struct CommandLine;
class InstanceLock;

struct WindowStart {
  // -1: go on, the lock is held; else the exit code.
  int code = -1;
  // A folder made: the line for the window's log (UTF-8).
  std::string note;
  // The start refused: the box's text (UTF-8); "" for a silent end.
  std::string refusal;
};

// program: the program's name for standard error; programPath: its file.
// The note and the refusal's reason go to standard error as well.
WindowStart CheckWindowStart(const CommandLine& line, const std::string& program,
                             const std::string& programPath, InstanceLock& lock);

}  // namespace pelmo
