#include "services/stat_store.h"

#include <exception>
#include <limits>
#include <optional>

#include "base/cp1251.h"
#include "base/text_file.h"

namespace pelmo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A plain walk: the names of every counted command pass here, and a
// search for any of three characters looks each one up in turn.
bool HasBreak(std::string_view text) {
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') return true;
  }
  return false;
}

std::string Fold(std::string_view name) { return AnsiUpperCase(name); }

std::string_view UnquotedView(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string Unquote(std::string_view value) { return std::string(UnquotedView(value)); }

std::optional<std::int64_t> ParseInt64(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  if (negative) return value == limit ? std::numeric_limits<std::int64_t>::min()
                                      : -static_cast<std::int64_t>(value);
  return static_cast<std::int64_t>(value);
}

}  // namespace

StatStore::StatStore(std::string path, EventLoop& loop) : m_path(std::move(path)), m_loop(loop) {}

StatStore::~StatStore() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  FlushQuietly();
}

bool StatStore::SafeSection(std::string_view name) {
  return !name.empty() && !HasBreak(name) && Trim(name).size() == name.size() &&
         name.find(']') == std::string_view::npos;
}

bool StatStore::SafeKey(std::string_view name) {
  return !name.empty() && !HasBreak(name) && Trim(name).size() == name.size() &&
         name.find('=') == std::string_view::npos && name.front() != '[' &&
         name.front() != ';';
}

void StatStore::EnsureLoaded() {
  if (m_loaded) return;
  // Only a file that is not there reads as empty: one that is there and
  // cannot be read must never be replaced by the counts of this run alone.
  std::string contents;
  if (!PathMissing(m_path)) {
    std::optional<std::string> read = ReadWholeFile(m_path);
    if (!read) {
      m_loadError = "не удалось прочитать " + m_path +
                    (FileSize(m_path) > static_cast<long long>(kMaxFileSize)
                         ? " (больше " + std::to_string(kMaxFileSize >> 20) + " МБ)"
                         : std::string(" (нет права на чтение, или это не файл)"));
      throw FileError(m_loadError);
    }
    contents = std::move(*read);
  }
  m_loadError.clear();
  m_sections.clear();
  m_index.clear();
  m_sections.push_back(Section{.name = "", .hasHeader = false});  // lines before any header
  for (std::string& raw : SplitLines(contents)) {
    std::string_view text = Trim(raw);
    if (!text.empty() && text.front() == '[' && text.find(']') != std::string_view::npos) {
      std::string name(Trim(text.substr(1, text.rfind(']') - 1)));
      m_index.emplace(Fold(name), m_sections.size());  // the first of a name wins
      m_sections.push_back(Section{.name = std::move(name)});
      continue;
    }
    Line line;
    std::size_t equals = text.find('=');
    if (!text.empty() && text.front() != ';' && equals != std::string_view::npos &&
        !Trim(text.substr(0, equals)).empty()) {
      line.key = std::string(Trim(text.substr(0, equals)));
      line.value = std::string(Trim(text.substr(equals + 1)));
    } else {
      line.raw = std::move(raw);
    }
    m_sections.back().lines.push_back(std::move(line));
  }
  for (Section& section : m_sections) Reindex(section);
  m_removed = 0;
  m_byCounted.clear();
  m_counter = 0;
  for (std::size_t i = 1; i < m_sections.size(); ++i) {
    if (m_index.at(Fold(m_sections[i].name)) == i) MarkCounted(i);
  }
  m_loaded = true;
  m_dirty = false;
  m_changedAll = true;
  m_changed.clear();
  // A file from before the bound, or edited, with more hosts than it.
  while (m_byCounted.size() > kMaxStatHosts) DropLeastCounted();
}

void StatStore::MarkCounted(std::size_t index) {
  Section& section = m_sections[index];
  if (section.counted != 0) m_byCounted.erase({section.counted, index});
  section.counted = ++m_counter;
  m_byCounted.emplace(section.counted, index);
}

void StatStore::DropLeastCounted() {
  if (m_byCounted.empty()) return;
  const std::size_t index = m_byCounted.begin()->second;
  m_byCounted.erase(m_byCounted.begin());
  Section& section = m_sections[index];
  Touched(section);
  m_index.erase(Fold(section.name));
  section.lines.clear();
  section.keys.clear();
  section.removed = true;
  ++m_removed;
  Changed();
}

void StatStore::Compact() {
  if (m_removed == 0) return;
  std::vector<Section> kept;
  kept.reserve(m_sections.size() - m_removed);
  for (Section& section : m_sections) {
    if (!section.removed) kept.push_back(std::move(section));
  }
  m_sections = std::move(kept);
  m_removed = 0;
  m_index.clear();
  m_byCounted.clear();
  for (std::size_t i = 1; i < m_sections.size(); ++i) {
    if (m_index.emplace(Fold(m_sections[i].name), i).second) {
      m_byCounted.emplace(m_sections[i].counted, i);
    }
  }
}

void StatStore::Reindex(Section& section) {
  section.keys.clear();
  for (std::size_t i = 0; i < section.lines.size(); ++i) {
    Line& line = section.lines[i];
    if (!line.key.empty()) line.shadowed = !section.keys.emplace(Fold(line.key), i).second;
  }
}

StatStore::Section* StatStore::FindSection(std::string_view section) {
  EnsureLoaded();
  auto it = m_index.find(Fold(section));
  return it == m_index.end() ? nullptr : &m_sections[it->second];
}

StatStore::Line* StatStore::FindLine(std::string_view section, std::string_view key) {
  Section* found = FindSection(section);
  if (found == nullptr) return nullptr;
  auto it = found->keys.find(Fold(key));
  return it == found->keys.end() ? nullptr : &found->lines[it->second];
}

bool StatStore::SectionExists(std::string_view section) {
  Section* found = FindSection(section);
  return found != nullptr && !found->keys.empty();
}

bool StatStore::ValueExists(std::string_view section, std::string_view key) {
  return FindLine(section, key) != nullptr;
}

std::string StatStore::ReadString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) {
  Line* line = FindLine(section, key);
  return line == nullptr ? std::string(defaultValue) : Unquote(line->value);
}

std::int64_t StatStore::ReadInteger(std::string_view section, std::string_view key,
                                    std::int64_t defaultValue) {
  Line* line = FindLine(section, key);
  if (line == nullptr) return defaultValue;
  return ParseInt64(Unquote(line->value)).value_or(defaultValue);
}

std::vector<std::string> StatStore::Sections() {
  EnsureLoaded();
  // File order: each name where it first appears.
  std::vector<std::string> ordered;
  for (std::size_t i = 1; i < m_sections.size(); ++i) {
    if (m_sections[i].removed) continue;
    const auto entry = m_index.find(Fold(m_sections[i].name));
    if (entry != m_index.end() && entry->second == i) ordered.push_back(m_sections[i].name);
  }
  return ordered;
}

std::vector<std::pair<std::string, std::string>> StatStore::SectionValues(
    std::string_view section) {
  std::vector<std::pair<std::string, std::string>> values;
  VisitValues(section, [&values](std::string_view key, std::string_view value) {
    values.emplace_back(key, value);
  });
  return values;
}

void StatStore::VisitValues(
    std::string_view section,
    const std::function<void(std::string_view key, std::string_view value)>& visit) {
  const Section* found = FindSection(section);
  if (found == nullptr) return;
  for (const Line& line : found->lines) {
    // A repeated key is listed once, as lookups see only the first.
    if (line.key.empty() || line.shadowed) continue;
    visit(line.key, UnquotedView(line.value));
  }
}

StatStore::Section& StatStore::SectionForWrite(std::string_view section) {
  if (Section* found = FindSection(section)) return *found;
  if (m_byCounted.size() >= kMaxStatHosts) DropLeastCounted();
  m_index.emplace(Fold(section), m_sections.size());
  m_sections.push_back(Section{.name = std::string(section)});
  MarkCounted(m_sections.size() - 1);
  return m_sections.back();
}

bool StatStore::SetValue(std::string_view section, std::string_view key, std::string value) {
  if (!SafeSection(section) || !SafeKey(key) || HasBreak(value)) return false;
  Section& target = SectionForWrite(section);
  auto it = target.keys.find(Fold(key));
  if (it != target.keys.end()) {
    target.lines[it->second].value = std::move(value);
  } else {
    target.keys.emplace(Fold(key), target.lines.size());
    target.lines.push_back(Line{.key = std::string(key), .value = std::move(value), .raw = {}});
  }
  Touched(target);
  Changed();
  return true;
}

bool StatStore::WriteString(std::string_view section, std::string_view key,
                            std::string_view value) {
  return SetValue(section, key, std::string(value));
}

bool StatStore::WriteInteger(std::string_view section, std::string_view key, std::int64_t value) {
  return SetValue(section, key, std::to_string(value));
}

bool StatStore::AddInteger(std::string_view section, std::string_view key, std::int64_t amount) {
  if (!SafeSection(section) || !SafeKey(key)) return false;
  // Counted for every command of the chat: one look-up of the section and
  // one of the key, where a read and a write would take two of each.
  Section& target = SectionForWrite(section);
  MarkCounted(static_cast<std::size_t>(&target - m_sections.data()));
  std::string folded = Fold(key);
  auto it = target.keys.find(folded);
  Line* line = it == target.keys.end() ? nullptr : &target.lines[it->second];
  std::int64_t value = line == nullptr ? 0 : ParseInt64(UnquotedView(line->value)).value_or(0);
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (amount > 0 && value > kMax - amount) {
    value = kMax;
  } else if (amount < 0 && value < kMin - amount) {
    value = kMin;
  } else {
    value += amount;
  }
  if (line != nullptr) {
    line->value = std::to_string(value);
  } else {
    std::size_t keys = 0;
    for (const Section& each : m_sections) keys += each.keys.size();
    if (keys >= kMaxStatKeys) return false;
    target.keys.emplace(std::move(folded), target.lines.size());
    target.lines.push_back(Line{.key = std::string(key), .value = std::to_string(value), .raw = {}});
  }
  Touched(target);
  Changed();
  return true;
}

bool StatStore::DeleteKey(std::string_view section, std::string_view key) {
  Section* found = FindSection(section);
  if (found == nullptr) return false;
  auto it = found->keys.find(Fold(key));
  if (it == found->keys.end()) return false;
  found->lines.erase(found->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
  Reindex(*found);
  Touched(*found);
  Changed();
  return true;
}

void StatStore::Changed() {
  m_dirty = true;
  if (m_timer != 0) return;
  m_timer = m_loop.StartTimer(kStatFlushDelay, false, [this] {
    m_timer = 0;
    FlushQuietly();
  });
}

void StatStore::Touched(const Section& section) {
  if (m_changedAll) return;
  if (m_changed.size() >= 2 * kMaxStatHosts) {
    m_changedAll = true;
    m_changed.clear();
    return;
  }
  m_changed.insert(section.name);
}

StatStore::Changes StatStore::TakeChanges() {
  EnsureLoaded();
  Changes changes;
  changes.all = m_changedAll;
  if (!m_changedAll) changes.sections.assign(m_changed.begin(), m_changed.end());
  m_changedAll = false;
  m_changed.clear();
  return changes;
}

std::string StatStore::StoredName(std::string_view section) {
  const Section* found = FindSection(section);
  return found != nullptr ? found->name : std::string();
}

std::string StatStore::Serialize() const {
  std::string text;
  for (const Section& section : m_sections) {
    if (section.removed) continue;
    if (section.hasHeader) text += "[" + section.name + "]\r\n";
    for (const Line& line : section.lines) {
      text += line.key.empty() ? line.raw : line.key + "=" + line.value;
      text += "\r\n";
    }
  }
  return text;
}

void StatStore::Flush() {
  if (!m_loaded || !m_dirty) return;
  Compact();
  try {
    RewriteFile(m_path, Serialize());
  } catch (...) {
    m_writeFailing = true;
    throw;
  }
  m_writeFailing = false;
  m_dirty = false;
}

void StatStore::FlushQuietly() noexcept {
  try {
    Flush();
  } catch (...) {
    // The changes stay pending; the next change or stop tries again.
  }
}

void StatStore::Reload() {
  FlushQuietly();
  // Changes that could not be written are not thrown away.
  if (m_dirty) return;
  m_loaded = false;
  // Read now, so that the first command does not wait for it; a failure
  // is met again (and thrown) at first use.
  try {
    EnsureLoaded();
  } catch (const std::exception&) {
  }
}

std::string StatUnavailable() {
  return W("Статистика и записки сейчас недоступны: файл статистики не читается.");
}

CommandWords SplitCommandWord(std::string_view text) {
  std::size_t space = text.find(' ');
  CommandWords words;
  words.word = AnsiLowerCase(TrimControls(text.substr(0, space)));
  if (space != std::string_view::npos) words.rest = TrimControls(text.substr(space + 1));
  return words;
}

}  // namespace pelmo
