// libFuzzer target for the INI reader and writer (Net.ini, others.ini,
// defvhod.ini, topvictor.txt, ban.txt, BirthDay-free settings of every
// kind). The input is a file, a zero byte, then a section, a key and a
// value for one write, each ended by a zero byte. The pairs a section
// listing shows must read back as listed; a write that is taken must read
// back as written (trimmed, one pair of quotes dropped) and change no
// other pair, nor may its deletion.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "fuzz_support.h"

namespace {

using namespace pelmo;

using Pairs = std::map<std::pair<std::string, std::string>, std::string>;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string Trim(std::string text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return text.substr(start);
}

std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// The pairs of some sections, by upper-cased names (names match without
// case). The reader reads the file at every call, so a few sections are
// looked at: the first, the last and the one written.
Pairs Listed(const IniFile& ini, const std::vector<std::string>& sections, bool lookUp) {
  Pairs pairs;
  for (const std::string& section : sections) {
    const auto values = ini.ReadSectionValues(section);
    if (lookUp && !values.empty()) {
      if (ini.ReadString(section, values[0].first, "\x01") != values[0].second) __builtin_trap();
      ini.IntegerUnreadable(section, values[0].first);
      if (!ini.SectionExists(section)) __builtin_trap();
    }
    for (const auto& [key, value] : values) {
      pairs.emplace(std::make_pair(AnsiUpperCase(section), AnsiUpperCase(key)), value);
    }
  }
  return pairs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2048) return 0;
  const std::vector<std::string> parts = fuzz::Parts(data, size, 4);
  const std::string path = fuzz::ScratchDir() + "/fuzz.ini";
  fuzz::WriteBytes(path, parts[0]);
  IniFile ini(path);
  const std::string& section = parts[1];
  const std::string& key = parts[2];
  const std::string& value = parts[3];
  std::vector<std::string> sections = ini.ReadSections();
  if (sections.size() > 2) sections.erase(sections.begin() + 1, sections.end() - 1);
  sections.push_back(Trim(section));
  const Pairs before = Listed(ini, sections, true);

  if (!ini.WriteString(section, key, value)) return 0;
  // Windows-1251 text is practically never valid UTF-8, so a file that is
  // is read as UTF-8 and converted: names written in Windows-1251 that
  // happen to make it so read back as others.
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) __builtin_trap();
  if (IsUtf8Text(*bytes)) return 0;
  const std::string expected = Unquote(Trim(value));
  if (ini.ReadString(section, key, "\x01") != expected) __builtin_trap();
  Pairs after = Listed(ini, sections, false);
  const auto written = std::make_pair(AnsiUpperCase(Trim(section)), AnsiUpperCase(Trim(key)));
  after.erase(written);
  Pairs others = before;
  others.erase(written);
  if (after != others) __builtin_trap();

  // A deleted key may uncover a later one of the same name (the first
  // wins); nothing else moves.
  if (!ini.DeleteKey(section, key)) __builtin_trap();
  // The value may have held the file's only bytes that are not UTF-8.
  const std::optional<std::string> left = ReadWholeFile(path);
  if (!left) __builtin_trap();
  if (IsUtf8Text(*left)) return 0;
  Pairs deleted = Listed(ini, sections, false);
  deleted.erase(written);
  if (deleted != others) __builtin_trap();
  return 0;
}
