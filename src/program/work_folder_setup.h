// A working folder made from the shipped default one, for a window program
// started from the desktop on a machine that has no working folder yet
// (as dist/run-bot.sh makes one for the headless bot).
#pragma once

#include <string>

namespace pelmo {

// The shipped default working folder of an installed program:
// <program's folder>/../share/pelmobot/workdir, normalised; "" when it
// does not exist there.
std::string InstalledWorkFolder(const std::string& programPath);

// Copies the folder from, with its files and subfolders, to the folder to,
// which must not exist yet (its parents are made as needed). False with a
// one-line reason in error when it cannot be done; whatever was copied by
// then is removed, so that the next start tries afresh.
bool CreateWorkFolder(const std::string& from, const std::string& to, std::string& error);

}  // namespace pelmo
