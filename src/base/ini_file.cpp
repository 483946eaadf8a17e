#include "base/ini_file.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/cp1251.h"
#include "base/text_file.h"

namespace pelmo {

namespace {

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

// Names compare as the profile API compares them: ignoring the case of
// Latin and Cyrillic letters.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && AnsiUpperChar(a[i]) != AnsiUpperChar(b[i])) return false;
  }
  return true;
}

// One line as the profile reader sees it. Lines that are neither a section
// header nor key=value (comments, blank lines, stray text) are kept in the
// file but take no part in lookups.
struct ParsedLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;
  std::string_view value;
};

ParsedLine ParseLine(std::string_view line) {
  ParsedLine parsed;
  std::string_view text = TrimLeft(line);
  if (text.empty() || text.front() == ';') return parsed;
  if (text.front() == '[') {
    std::size_t close = text.rfind(']');
    if (close == std::string_view::npos) return parsed;
    parsed.kind = ParsedLine::kSection;
    parsed.name = Trim(text.substr(1, close - 1));
    return parsed;
  }
  std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.name = TrimRight(text.substr(0, equals));
  if (parsed.name.empty()) return parsed;
  parsed.kind = ParsedLine::kKey;
  parsed.value = Trim(text.substr(equals + 1));
  return parsed;
}

// The profile API drops one pair of matching quotes around a whole value.
std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// The file's lines; an empty list for a missing file; nullopt when the file
// exists but cannot be read (it must then not be overwritten).
std::optional<std::vector<std::string>> LoadLines(const std::string& path) {
  if (PathMissing(path)) return std::vector<std::string>();
  std::optional<std::string> contents = ReadTextFile(path);
  if (!contents) return std::nullopt;
  return SplitLines(*contents);
}

std::vector<std::string> LinesForReading(const std::string& path) {
  std::optional<std::vector<std::string>> lines = LoadLines(path);
  return lines ? std::move(*lines) : std::vector<std::string>();
}

std::size_t FindSection(const std::vector<std::string>& lines,
                        std::string_view section, std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == ParsedLine::kSection && NamesEqual(parsed.name, section)) {
      return i;
    }
  }
  return kNoLine;
}

// The index of the next section header after the one at header, or the end.
std::size_t SectionEnd(const std::vector<std::string>& lines, std::size_t header) {
  for (std::size_t i = header + 1; i < lines.size(); ++i) {
    if (ParseLine(lines[i]).kind == ParsedLine::kSection) return i;
  }
  return lines.size();
}

struct KeyLocation {
  std::size_t line = kNoLine;
  ParsedLine parsed;
};

KeyLocation FindKey(const std::vector<std::string>& lines,
                    std::string_view section, std::string_view key) {
  KeyLocation location;
  std::size_t header = FindSection(lines, section);
  if (header == kNoLine) return location;
  std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i) {
    ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == ParsedLine::kKey && NamesEqual(parsed.name, key)) {
      location.line = i;
      location.parsed = parsed;
      return location;
    }
  }
  return location;
}

bool SafeSection(std::string_view section) {
  return !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool SafeKey(std::string_view key) {
  return !key.empty() && !HasLineBreak(key) &&
         key.find('=') == std::string_view::npos && key.front() != '[' &&
         key.front() != ';';
}

bool Store(const std::string& path, const std::vector<std::string>& lines) {
  try {
    RewriteLines(path, lines);
    return true;
  } catch (const FileError&) {
    return false;
  }
}

// Delphi's StrToIntDef: optional sign, decimal digits or "$" and hex
// digits, nothing else.
std::optional<long long> ParseInteger(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  unsigned long long magnitude = 0;
  // Decimal values stay within long long; hex may use all 64 bits.
  const unsigned long long limit =
      base == 16 ? ~0ull : (negative ? 9223372036854775808ull : 9223372036854775807ull);
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (magnitude > (limit - digit) / base) return std::nullopt;
    magnitude = magnitude * base + digit;
  }
  if (negative) return static_cast<long long>(0ull - magnitude);
  return static_cast<long long>(magnitude);
}

}  // namespace

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  std::vector<std::string> lines = LinesForReading(m_path);
  KeyLocation location = FindKey(lines, Trim(section), Trim(key));
  if (location.line == kNoLine) return std::string(defaultValue);
  return Unquote(location.parsed.value);
}

long long IniFile::ReadInteger(std::string_view section, std::string_view key,
                               long long defaultValue) const {
  std::optional<long long> value = ParseInteger(ReadString(section, key, ""));
  return value ? *value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key,
                       bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  std::vector<std::string> lines = LinesForReading(m_path);
  return FindKey(lines, Trim(section), Trim(key)).line != kNoLine;
}

bool IniFile::IntegerUnreadable(std::string_view section, std::string_view key) const {
  return ValueExists(section, key) && !ParseInteger(ReadString(section, key, "")).has_value();
}

bool IniFile::SectionExists(std::string_view section) const {
  return !ReadSection(section).empty();
}

bool IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!SafeSection(section) || !SafeKey(key) || HasLineBreak(value)) return false;
  std::optional<std::vector<std::string>> loaded = LoadLines(m_path);
  if (!loaded) return false;
  std::vector<std::string>& lines = *loaded;

  std::size_t header = FindSection(lines, section);
  if (header == kNoLine) {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(std::string(key) + "=" + std::string(value));
    return Store(m_path, lines);
  }
  KeyLocation location = FindKey(lines, section, key);
  if (location.line != kNoLine) {
    // The existing spelling of the key stays, as the profile API keeps it.
    std::string replacement =
        std::string(location.parsed.name) + "=" + std::string(value);
    if (lines[location.line] == replacement) return true;
    lines[location.line] = std::move(replacement);
    return Store(m_path, lines);
  }
  std::size_t end = SectionEnd(lines, header);
  std::size_t insertAt = header + 1;
  for (std::size_t i = end; i > header + 1; --i) {
    if (!TrimLeft(lines[i - 1]).empty()) {
      insertAt = i;
      break;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
               std::string(key) + "=" + std::string(value));
  return Store(m_path, lines);
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key,
                           long long value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key,
                        bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::optional<std::vector<std::string>> loaded = LoadLines(m_path);
  if (!loaded) return false;
  std::vector<std::string>& lines = *loaded;
  KeyLocation location = FindKey(lines, Trim(section), Trim(key));
  if (location.line == kNoLine) return false;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(location.line));
  return Store(m_path, lines);
}

bool IniFile::EraseSection(std::string_view section) {
  section = Trim(section);
  std::optional<std::vector<std::string>> loaded = LoadLines(m_path);
  if (!loaded) return false;
  std::vector<std::string>& lines = *loaded;
  // Every copy goes: erasing only the first would bring a later duplicate
  // into view.
  bool erased = false;
  std::size_t header = FindSection(lines, section);
  while (header != kNoLine) {
    std::size_t end = SectionEnd(lines, header);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    erased = true;
    header = FindSection(lines, section, header);
  }
  return erased && Store(m_path, lines);
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> lines = LinesForReading(m_path);
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const std::string& line : lines) {
    ParsedLine parsed = ParseLine(line);
    if (parsed.kind != ParsedLine::kSection) continue;
    if (seen.insert(AnsiUpperCase(parsed.name)).second) {
      names.emplace_back(parsed.name);
    }
  }
  return names;
}

std::vector<std::string> IniFile::RepeatedSections() const {
  std::vector<std::string> lines = LinesForReading(m_path);
  std::vector<std::string> repeated;
  std::unordered_map<std::string, std::string> firstSpelling;
  std::unordered_set<std::string> told;
  for (const std::string& line : lines) {
    ParsedLine parsed = ParseLine(line);
    if (parsed.kind != ParsedLine::kSection) continue;
    const std::string key = AnsiUpperCase(parsed.name);
    const auto [first, isNew] = firstSpelling.emplace(key, std::string(parsed.name));
    if (!isNew && told.insert(key).second) repeated.push_back(first->second);
  }
  return repeated;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  for (auto& [key, value] : ReadSectionValues(section)) keys.push_back(std::move(key));
  return keys;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(
    std::string_view section) const {
  std::vector<std::string> lines = LinesForReading(m_path);
  std::vector<std::pair<std::string, std::string>> values;
  std::size_t header = FindSection(lines, Trim(section));
  if (header == kNoLine) return values;
  std::size_t end = SectionEnd(lines, header);
  std::unordered_set<std::string> seen;
  for (std::size_t i = header + 1; i < end; ++i) {
    ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind != ParsedLine::kKey) continue;
    // A repeated key is shadowed by the first one, as lookups see it.
    if (seen.insert(AnsiUpperCase(parsed.name)).second) {
      values.emplace_back(std::string(parsed.name), Unquote(parsed.value));
    }
  }
  return values;
}

}  // namespace pelmo
