// A working folder without Net.ini is a new one (a bare "pelmobot --dir
// DIR" on an empty folder). It gets the shipped default working folder's
// settings and data, so that it starts as the shipped one does: on
// loopback multicast, nothing leaving the machine, with texts to answer
// with; the settings' bare defaults want raw sockets and fail for a normal
// user. Without a shipped folder it still gets the shipped Net.ini.
// A folder that has Net.ini (in any case) is never touched.
#pragma once

#include <string>

namespace pelmo {

// The shipped default working folder for the program at programPath:
// workdir/ beside it (the Windows program's folder), ../share/pelmobot/
// workdir (the package: /usr/bin and /usr/share), or, for a program run
// from its build folder, the source tree's dist/workdir. "" when none of
// them is there.
std::string ShippedWorkFolder(const std::string& programPath);

// The shipped working folder's Net.ini (dist/workdir/Net.ini, built in).
std::string ShippedNetIni();

// When dir has no Net.ini, copies into it every file of shipped that it
// lacks; without shipped, or when the copy failed before Net.ini, writes
// ShippedNetIni() there: the bare defaults (sniffer mode) are never a new
// folder's. The log line that says what was done ("" when Net.ini is
// there).
std::string FillNewWorkFolder(const std::string& dir, const std::string& shipped);

}  // namespace pelmo
