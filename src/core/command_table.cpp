#include "core/command_table.h"

#include <algorithm>
#include <exception>

namespace pelmo {

void CommandTable::Add(CommandRow row) {
  // upper_bound keeps rows of equal place in the order they were added.
  auto at = std::upper_bound(
      m_rows.begin(), m_rows.end(), row.place,
      [](CommandPlace place, const CommandRow& other) { return place < other.place; });
  m_rows.insert(at, std::move(row));
}

bool CommandTable::Matches(const CommandRow& row, const std::string& command,
                           std::string& alias, std::string& argument) {
  if (row.accepts) {
    if (!row.accepts(command)) return false;
    alias.clear();
    argument = command;
    return true;
  }
  for (const std::string& candidate : row.aliases) {
    if (row.k == CommandRow::kExact) {
      if (command == candidate) {
        alias = candidate;
        argument.clear();
        return true;
      }
      continue;
    }
    std::size_t k = row.k == CommandRow::kAliasLength ? candidate.size() : row.k;
    // The first k characters of a shorter text are the whole text, so an
    // alias shorter than k matches only a text equal to it.
    if (command.compare(0, k, candidate) == 0) {
      alias = candidate;
      argument = command.size() > k ? command.substr(k) : std::string();
      return true;
    }
  }
  return false;
}

bool AnyCommandText(const std::string&) { return true; }

std::function<void(CommandContext&)> Quietly(std::function<void(CommandContext&)> handler) {
  return [handler = std::move(handler)](CommandContext& context) {
    try {
      handler(context);
    } catch (const std::exception&) {
    }
  };
}

}  // namespace pelmo
