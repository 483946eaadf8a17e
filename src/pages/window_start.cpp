#include "pages/window_start.h"

#include <cstdio>

#include "base/text_file.h"
#include "pages/window_texts.h"
#include "program/program.h"
#include "program/work_folder_setup.h"

namespace pelmo {

WindowStart CheckWindowStart(const CommandLine& line, const std::string& program,
                             const std::string& programPath, InstanceLock& lock) {
  WindowStart start;
  // A first start from the desktop: the working folder is made as
  // dist/run-bot.sh makes it for the headless bot.
  if (!line.birthdayCheck) start.note = MakeMissingWorkFolder(line.dir, programPath);
  if (!start.note.empty()) std::fprintf(stderr, "%s: %s\n", program.c_str(), start.note.c_str());
  std::string reason;
  start.code = CheckBeforeStart(line, lock, reason);
  if (start.code >= 0 && !reason.empty()) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), reason.c_str());
    start.refusal = RefusalText(line.dir, reason, DirectoryExists(line.dir));
  }
  return start;
}

}  // namespace pelmo
