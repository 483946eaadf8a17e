// The window program's run once its start was allowed: the bot built by
// Program, the control window over it with every page, the error report,
// the program's start sequence, and the loop until the program ends;
// SIGTERM, SIGINT and the end of the desktop session close it as "Выход"
// does. Main thread only.
#pragma once

#include <string>

class QApplication;

namespace pelmo {

struct CommandLine;
class StopSignals;

// note: a line for the window's log (UTF-8), "" for none. The exit code.
int RunMainWindow(QApplication& app, const CommandLine& line, StopSignals& stopSignals,
                  const std::string& note);

// The box of a start refused (text UTF-8); a stop request closes it too.
// The exit code 1.
int RefuseStart(StopSignals& stopSignals, const std::string& text);

}  // namespace pelmo
