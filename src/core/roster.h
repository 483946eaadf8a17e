// The user roster: sorted, unique entries nick + " (" + host + ")" with
// each user's address. The window's list box and the status panel are
// views of it. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

struct RosterEntry {
  std::string text;  // nick + " (" + host + ")"
  std::uint32_t address = 0;
};

class Roster {
 public:
  // Far more users than a local chat has: presence replies forged with
  // ever new names cannot grow the list (and each insertion) without end.
  static constexpr std::size_t kMaxEntries = 10000;

  // Adds the entry unless an entry with the same text exists or the list
  // holds kMaxEntries; keeps the list sorted (byte order). True when added.
  bool Add(const std::string& text, std::uint32_t address);
  // Removes the entry with this text; true when it was there.
  bool Remove(const std::string& text);
  bool Contains(const std::string& text) const;
  // True when the entry with this text is at address.
  bool Holds(const std::string& text, std::uint32_t address) const;
  void Clear();
  std::size_t Count() const { return m_entries.size(); }
  const std::vector<RosterEntry>& Entries() const { return m_entries; }

 private:
  std::vector<RosterEntry> m_entries;
};

}  // namespace pelmo
