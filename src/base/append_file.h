// A file held open for appending, for a log written line after line: one
// open for many lines, every write landing at the file's end whoever else
// appends, and a cheap way to tell whether the name still leads to the
// open file (removed, renamed away or replaced by a new one, it does not).
// Paths are UTF-8. One thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmo {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens path for appending, creating it. False, with the system's
  // reason in error (UTF-8), when it cannot.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return m_handle != kClosed; }
  void Close();

  // Writes the bytes at the file's end; false (reason in error) when they
  // could not all be written.
  bool Append(std::string_view bytes, std::string& error);
  // The open file's size; -1 when it cannot be had.
  long long Size() const;
  // True when the open file is empty or its last byte ends a line.
  bool EndsWithLineEnd() const;
  // Empties the open file; false when it cannot.
  bool Truncate();
  // True while path names the open file.
  bool StillAt(const std::string& path) const;

 private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t m_handle = kClosed;  // a descriptor or a HANDLE
  std::string m_path;                // Windows: for the trimming handle
};

}  // namespace pelmo
