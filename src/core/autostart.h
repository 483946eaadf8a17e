// The autostart switch on a desktop session: an XDG autostart entry
// <configDir>/autostart/pelmobot.desktop that starts the program on the
// working folder at log-in, present exactly while the switch is on, and a
// copy of the switch ("Bot" "Checked" = "true"/"false") in
// <configDir>/pelmobot/pelmobot.ini that nothing reads back.
// Main thread only.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// $XDG_CONFIG_HOME when it is absolute, else $HOME/.config (the home
// folder of the password database when $HOME is empty).
std::string DefaultConfigDir();

std::string AutostartEntryPath(const std::string& configDir);
std::string AutostartSwitchCopyPath(const std::string& configDir);

// True when the entry exists (the switch is on).
bool AutostartEntryExists(const std::string& configDir);
// Writes the entry (creating the folders): Exec = programPath --dir
// workDir, both made absolute. An empty programPath means this program
// (/proc/self/exe). False when a path holds a line break or the file
// cannot be written.
bool WriteAutostartEntry(const std::string& configDir, const std::string& programPath,
                         const std::string& workDir);
// Deletes the entry; an absent one counts as deleted. False only when it
// exists and cannot be removed.
bool RemoveAutostartEntry(const std::string& configDir);
// Writes the switch copy, creating its folder. False when it cannot.
bool WriteAutostartSwitchCopy(const std::string& configDir, bool checked);

// One argument of a desktop entry's Exec key: in double quotes with ",
// `, $ and \ escaped, then "%" doubled and "\" escaped again as every
// desktop-entry string value requires.
std::string DesktopExecArgument(std::string_view argument);

}  // namespace pelmo
