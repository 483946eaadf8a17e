// A section written twice in one settings file: the profile lookups see
// only the first, so values added in a second copy (a [Pogoda] block
// appended after the bot wrote its own [pogoda]) are silently ignored.
// The start names each such section in the log.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

class WorkFolder;

// The INI files of a working folder, relative to it.
const std::vector<std::string>& IniFileNames();

// One log line (Windows-1251) for each section that appears more than
// once in one of IniFileNames().
std::vector<std::string> RepeatedSectionLines(const WorkFolder& folder);

}  // namespace pelmo
