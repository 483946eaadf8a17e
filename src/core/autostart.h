// The autostart switch: an entry that starts the program on the working
// folder at log-in, present exactly while the switch is on, and a copy of
// the switch ("Checked" = "true"/"false") that nothing reads back.
// Linux: an XDG autostart entry <configDir>/autostart/pelmobot.desktop and
// the copy in <configDir>/pelmobot/pelmobot.ini (section "Bot").
// Windows: the value "Pelmo_bot" of the current user's Run key and the
// copy under the key "Software\Bot"; configDir is a key of
// HKEY_CURRENT_USER that holds both instead of the user's own (tests), and
// empty for the user's own.
// Main thread only.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// Linux: $XDG_CONFIG_HOME when it is absolute, else $HOME/.config (the
// home folder of the password database when $HOME is empty). Windows: "".
std::string DefaultConfigDir();

// True when the entry exists (the switch is on).
bool AutostartEntryExists(const std::string& configDir);
// Writes the entry (creating the folders or keys): programPath --dir
// workDir, both made absolute. An empty programPath means this program.
// False when a path holds a line break (Linux) or the entry cannot be
// written.
bool WriteAutostartEntry(const std::string& configDir, const std::string& programPath,
                         const std::string& workDir);
// Deletes the entry; an absent one counts as deleted. False only when it
// exists and cannot be removed.
bool RemoveAutostartEntry(const std::string& configDir);
// Writes the switch copy, creating its folder or key. False when it cannot.
bool WriteAutostartSwitchCopy(const std::string& configDir, bool checked);

// Linux only: where the entry and the copy are.
std::string AutostartEntryPath(const std::string& configDir);
std::string AutostartSwitchCopyPath(const std::string& configDir);

// Linux only: one argument of a desktop entry's Exec key: in double quotes with ",
// `, $ and \ escaped, then "%" doubled and "\" escaped again as every
// desktop-entry string value requires.
std::string DesktopExecArgument(std::string_view argument);

}  // namespace pelmo
