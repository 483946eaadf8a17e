// Whole-file reads and safe rewrites of the bot's data files. Text files
// are read accepting CR LF or LF (a lone CR ends a line too) and written
// with CR LF; contents are Windows-1251 bytes. The text readers (ReadLines,
// ReadTextFile, ReadDataLines) take a file left in UTF-8 by an editor as
// UTF-8 and return it as Windows-1251 (text_encoding.h); ReadWholeFile and
// the writers never convert. Paths are UTF-8 ("/" separates folders on
// Windows too).
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

// A file operation failed: the handling of the current event ends.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxFileSize = 64u * 1024u * 1024u;

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates one directory level; true when it exists afterwards.
bool CreateDirectory(const std::string& path);
// True only when nothing exists at path; false when something does or the
// system cannot tell (no right to look, say), so that callers never take
// an unreadable file for an absent one.
bool PathMissing(const std::string& path);
// Size in bytes, -1 when the file is missing.
long long FileSize(const std::string& path);

// What tells one state of a file from another without reading it. A file
// rewritten through a rename is another file; one written in place has
// another size or time of change.
struct FileVersion {
  long long size = 0;
  long long changed = 0;  // the system's own units
  unsigned long long id = 0;
  bool operator==(const FileVersion&) const = default;
};
// nullopt when nothing readable as a file is at path.
std::optional<FileVersion> VersionOfFile(const std::string& path);

// The whole file; nullopt when missing, unreadable or larger than the cap.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t cap = kMaxFileSize);
// Up to size bytes of the file from offset (fewer at its end) into out.
// False when the file cannot be opened or read.
bool ReadFilePart(const std::string& path, long long offset, std::size_t size,
                  std::string& out);
// The file's lines without their line ends. Throws FileError when the file
// is missing or unreadable. A final line end does not start another line.
std::vector<std::string> ReadLines(const std::string& path);
// The whole text file as Windows-1251; nullopt as ReadWholeFile.
std::optional<std::string> ReadTextFile(const std::string& path,
                                        std::size_t cap = kMaxFileSize);
// A data list's lines: a missing file is an empty list (as at a first
// start, before the file is created). Throws FileError when something is
// there that cannot be read.
std::vector<std::string> ReadDataLines(const std::string& path);
// Splits text the same way.
std::vector<std::string> SplitLines(std::string_view text);
// Each line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// Replaces the file's contents: writes a temporary file beside it, flushes
// it and renames it over the old one, so a crash leaves the old file or the
// new one, never half. Throws FileError on failure (the old file remains).
void RewriteFile(const std::string& path, std::string_view contents);
void RewriteLines(const std::string& path, const std::vector<std::string>& lines);
// Removes, from dir itself (not below it), the temporary files of
// RewriteFile that a process killed before its rename left behind; those
// of processes still running are kept. The number removed.
int RemoveStaleTempFiles(const std::string& dir);
// Appends line + CR LF (creating the file); when the file does not end in a
// line end, one is written first. Throws FileError on failure.
void AppendLine(const std::string& path, std::string_view line);
// Writes bytes into the existing file from offset on, in one call where
// the system allows, growing it when they reach past its end; nothing is
// flushed. Throws FileError when the file cannot be opened or the bytes
// not all written.
void WriteFileAt(const std::string& path, long long offset, std::string_view bytes);
// Cuts the file to size bytes; false when it cannot.
bool TruncateFile(const std::string& path, long long size);
// Why the file could not be rewritten here (RewriteFile writes a new file
// beside it and renames it over the old one), in the system's words
// (UTF-8); "" when nothing stands in the way. Changes nothing.
std::string WriteProblem(const std::string& path);
// Creates an empty file unless it exists; true when it exists afterwards.
bool CreateEmptyFileIfMissing(const std::string& path);

// dir + "/" + name, without doubling the slash.
std::string JoinPath(std::string_view dir, std::string_view name);

}  // namespace pelmo
