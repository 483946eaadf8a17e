// The administrator table: botfile/admin.txt holds nick + "#" + host per
// line; the table (the window's grid) is what the interpreter consults.
#pragma once

#include <string>
#include <vector>

#include "core/bot_settings.h"

namespace pelmo {

inline constexpr std::size_t kMaxAdmins = 1000;

// Reads at most 1000 lines; a line is split at its first "#" (no "#": empty
// nick, the whole line as host). A missing file gives an empty table.
std::vector<AdminEntry> LoadAdmins(const std::string& path);
// Rewrites the file with at most 1000 entries, one per line.
void SaveAdmins(const std::string& path, const std::vector<AdminEntry>& admins);
// True when a row has exactly this nick and this host (byte-exact). A nick
// and a host that are both empty (or blanks only) are never an
// administrator, whatever rows the file's blank lines made.
bool IsAdmin(const std::vector<AdminEntry>& admins, const std::string& nick,
             const std::string& host);

}  // namespace pelmo
