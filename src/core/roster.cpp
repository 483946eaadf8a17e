#include "core/roster.h"

#include <algorithm>

namespace pelmo {

namespace {

// Plain byte order (std::string compares as unsigned bytes): stable across
// locales, so the list reads the same on every machine; the order only
// decides where entries appear, never which entries exist.
std::vector<RosterEntry>::const_iterator LowerBound(const std::vector<RosterEntry>& entries,
                                                    const std::string& text) {
  return std::lower_bound(
      entries.begin(), entries.end(), text,
      [](const RosterEntry& entry, const std::string& key) { return entry.text < key; });
}

}  // namespace

bool Roster::Add(const std::string& text, std::uint32_t address) {
  auto at = LowerBound(m_entries, text);
  if (at != m_entries.end() && at->text == text) return false;
  if (m_entries.size() >= kMaxEntries) return false;
  m_entries.insert(at, RosterEntry{text, address});
  return true;
}

bool Roster::Remove(const std::string& text) {
  auto at = LowerBound(m_entries, text);
  if (at == m_entries.end() || at->text != text) return false;
  m_entries.erase(at);
  return true;
}

bool Roster::Contains(const std::string& text) const {
  auto at = LowerBound(m_entries, text);
  return at != m_entries.end() && at->text == text;
}

bool Roster::Holds(const std::string& text, std::uint32_t address) const {
  auto at = LowerBound(m_entries, text);
  return at != m_entries.end() && at->text == text && at->address == address;
}

void Roster::Clear() { m_entries.clear(); }

}  // namespace pelmo
