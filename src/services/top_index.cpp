#include "services/top_index.h"

#include "base/cp1251.h"
#include "services/stat_store.h"

namespace pelmo {

namespace {

TableEntry Entry(std::string value, std::string name) {
  // Counts padded to 20 digits order as numbers up to the 64-bit limit.
  std::string padded =
      value.size() < 20 ? std::string(20 - value.size(), '0') + value : value;
  return TableEntry{AnsiUpperCase(padded + ":" + name), std::move(value), std::move(name)};
}

}  // namespace

std::vector<TableEntry> TopIndex::Top(int mode, std::size_t rows) {
  Update();
  std::vector<TableEntry> top;
  if (mode != 0 && mode != 1) return top;
  for (auto it = m_rows[mode].begin(); it != m_rows[mode].end() && top.size() < rows; ++it) {
    top.push_back(it->second);
  }
  return top;
}

void TopIndex::Update() {
  StatStore::Changes changes = m_store.TakeChanges();
  if (changes.all) {
    for (int mode = 0; mode < 2; ++mode) {
      m_rows[mode].clear();
      m_byHost[mode].clear();
    }
    for (const std::string& host : m_store.Sections()) Add(host);
    return;
  }
  for (const std::string& host : changes.sections) {
    Drop(host);
    // A host dropped from the store, or renamed by a section of another
    // case that took its place (listed in the changes itself), adds nothing.
    if (m_store.StoredName(host) == host) Add(host);
  }
}

void TopIndex::Drop(const std::string& host) {
  for (int mode = 0; mode < 2; ++mode) {
    const auto found = m_byHost[mode].find(host);
    if (found == m_byHost[mode].end()) continue;
    for (const Rows::iterator row : found->second) m_rows[mode].erase(row);
    m_byHost[mode].erase(found);
  }
}

void TopIndex::Add(const std::string& host) {
  std::vector<Rows::iterator> nicks;
  m_store.VisitValues(host, [&](std::string_view key, std::string_view raw) {
    if (key.find("User-") == std::string_view::npos) return;
    std::string value = TrimControls(raw);
    if (value == "0") return;
    TableEntry entry = Entry(std::move(value), std::string(key.substr(5)) + " (" + host + ")");
    nicks.push_back(m_rows[0].emplace(entry.sortKey, std::move(entry)));
  });
  if (!nicks.empty()) m_byHost[0][host] = std::move(nicks);
  std::string total = TrimControls(m_store.ReadString(host, "Total", "0"));
  if (total != "0") {
    TableEntry entry = Entry(std::move(total), " " + host);
    m_byHost[1][host] = {m_rows[1].emplace(entry.sortKey, std::move(entry))};
  }
}

}  // namespace pelmo
