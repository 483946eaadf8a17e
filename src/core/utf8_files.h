// Text files that an operator's editor left in UTF-8 (text_encoding.h).
// A file the bot appends to or rewrites is converted to Windows-1251 once,
// on disk, before the bot writes to it: otherwise its new lines would be
// Windows-1251 after UTF-8 ones, and no reader could tell them apart. The
// UTF-8 file is kept beside it as <name>.bak. A file the bot only reads
// stays as it is: the text readers convert it in memory.
#pragma once

#include <string>
#include <vector>

namespace pelmo {

class WorkFolder;

struct TextDataFile {
  const char* name;  // relative to the working folder
  bool written;      // appended to or rewritten by the bot
  // Keyed by names as packets carry them (hosts, nicks): their bytes are
  // kept, and the file is never converted as a whole.
  bool names = false;
};

// The text files of a working folder, those the bot writes and those it
// only reads.
const std::vector<TextDataFile>& TextDataFiles();

// What to do with the file's contents: nothing (Windows-1251 or ASCII), a
// note that it is read as UTF-8, or a conversion on disk.
enum class Utf8Action { kNone, kReadAsUtf8, kConvert };
Utf8Action Utf8ActionFor(const TextDataFile& file, const std::string& contents);

// Converts the written files found in UTF-8 and names the read ones; one
// log line (Windows-1251) for each file, and for each that could not be
// converted. Main thread, before anything writes to the files.
std::vector<std::string> PrepareUtf8TextFiles(const WorkFolder& folder);

}  // namespace pelmo
