// The talker tables ("top" by nick, "htop" by host) kept in order beside
// stat.ini's memory: every command line changes a count, and ranking all
// hosts' keys at each request costs with the file's size. The index
// follows the store's changes (StatStore::TakeChanges) and re-ranks only
// the hosts that changed since the last request. Main thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelmo {

class StatStore;

struct TableEntry {
  std::string sortKey;  // count padded with zeros + ":" + name, upper-cased
  std::string value;    // the count's text
  std::string name;
};

class TopIndex {
 public:
  explicit TopIndex(StatStore& store) : m_store(store) {}

  // The first `rows` entries of mode 0 (every "User-" key not "0", named
  // nick + " (" + host + ")") or 1 (each host's "Total" not "0", named " "
  // + host), highest count first; equal counts by name, case ignored.
  // Throws FileError as the store's reads.
  std::vector<TableEntry> Top(int mode, std::size_t rows);

 private:
  using Rows = std::multimap<std::string, TableEntry, std::greater<>>;
  void Update();
  void Drop(const std::string& host);
  void Add(const std::string& host);

  StatStore& m_store;
  Rows m_rows[2];
  // host (as the store names it) -> its rows in each table.
  std::unordered_map<std::string, std::vector<Rows::iterator>> m_byHost[2];
};

}  // namespace pelmo
