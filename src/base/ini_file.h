// INI profile files with the semantics of the Windows private-profile
// functions that the bot relies on: section and key names match without
// regard to case (ASCII and Windows-1251 letters); the first matching
// section and key win; a missing value gives the caller's default; every
// write reaches the disk at once through a temporary file and a rename.
// Values are Windows-1251 bytes and are kept as they are (blanks around
// "=" and around a value are trimmed on reading, and a value wholly inside
// one pair of double or single quotes is read without them, as the profile
// API does). Lines starting with ";" and lines without "=" take no part in
// lookups; a write keeps every other line of the file as it was and writes
// CR LF line ends. A missing file reads as empty and is created by a write.
// A file left in UTF-8 by an editor is read as UTF-8 (text_encoding.h), and
// a write stores the whole file in Windows-1251.
// The file is read afresh at every call, so several IniFile objects (or the
// operator's editor) may work on one file. Main thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

class IniFile {
 public:
  explicit IniFile(std::string path) : m_path(std::move(path)) {}
  const std::string& Path() const { return m_path; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // The value read as a decimal integer (leading blanks and a sign
  // allowed, as Delphi's ReadInteger reads "$" and "0x" hex too); the
  // default when missing, not a number or beyond the range of long long.
  long long ReadInteger(std::string_view section, std::string_view key,
                        long long defaultValue) const;
  // An integer; non-zero means true.
  bool ReadBool(std::string_view section, std::string_view key,
                bool defaultValue) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // True when the key is there but ReadInteger cannot read its value (so
  // the caller's default applies).
  bool IntegerUnreadable(std::string_view section, std::string_view key) const;
  // True when the section holds at least one key (Delphi's SectionExists):
  // a bare header does not count.
  bool SectionExists(std::string_view section) const;

  // Writes key=value, replacing the first matching key or appending it to
  // the section (the section is appended when missing). Returns false and
  // writes nothing when a name would break the file: a section or key
  // holding CR or LF, a key holding "=" or beginning with "[" or ";", a
  // section holding "]", an empty key, or a value holding CR or LF; or when
  // the file cannot be written.
  bool WriteString(std::string_view section, std::string_view key,
                   std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key,
                    long long value);
  // Writes "1" or "0".
  bool WriteBool(std::string_view section, std::string_view key, bool value);

  // Removes the first matching key; returns false when it was not there or
  // the file could not be written.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines; returns false
  // when there was none or the file could not be written.
  bool EraseSection(std::string_view section);

  // Section names in file order; a repeated name is listed once.
  std::vector<std::string> ReadSections() const;
  // The names of sections that appear more than once (their first
  // spelling, in file order): lookups see only the first of them.
  std::vector<std::string> RepeatedSections() const;
  // Key names of a section in file order (first matching section); a
  // repeated key is listed once, as lookups see only the first.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // key=value pairs of a section in file order, as ReadSection lists them.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(
      std::string_view section) const;

 private:
  std::string m_path;
};

}  // namespace pelmo
