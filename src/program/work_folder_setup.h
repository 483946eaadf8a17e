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

// A window program's first start: a missing working folder dir is made
// from the installed default one of the program at programPath. The note
// for the window's log (UTF-8), "" when nothing was made; a folder that
// could not be made is left to the start's checks to refuse.
std::string MakeMissingWorkFolder(const std::string& dir, const std::string& programPath);

}  // namespace pelmo
