// The interpreter's command table as data: each row holds its aliases, its
// test, the right it needs, the note written to the window log and the
// handler. Services add their rows when they are installed; the walk goes
// by each row's place (the order of the table), not by the order of
// installation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelmo {

struct CommandContext {
  std::string nick;
  std::string host;
  std::string channel;
  std::string command;   // the command text, prefix removed
  std::string argument;  // the command text after the matched alias's k characters
  std::string alias;     // the alias that matched
  std::uint32_t address = 0;  // the sender's address
  std::uint32_t color = 0;    // the sender's colour
  // Writes the command note nick + " (" + host + note in the sender's
  // colour. Set by the interpreter; rows with noteByHandler call it.
  std::function<void(const std::string& note)> WriteNote;
};

enum class CommandRight { All, Administrator };

// Written with designated initializers, one row per statement; every
// member has a default so that a row names only what it needs.
struct CommandRow {
  // Place in the walk; rows are walked in ascending place.
  int place = 0;
  // Windows-1251 aliases.
  std::vector<std::string> aliases{};
  // 0: exact (the whole command text equals the alias). Otherwise "first
  // k": the first k characters equal the alias (so an alias shorter than
  // k matches only the whole text); the argument is what follows them.
  // Use kAliasLength to take each alias's own length.
  std::size_t k = 0;
  CommandRight right = CommandRight::All;
  // The note (Windows-1251, beginning with ")"); written before the
  // handler runs unless noteByHandler is set.
  std::string note{};
  bool noteByHandler = false;
  // An extra test beyond the alias (e.g. the channel); empty: none.
  std::function<bool(const CommandContext&)> extraTest{};
  std::function<void(CommandContext&)> handler{};

  static constexpr std::size_t kExact = 0;
  static constexpr std::size_t kAliasLength = static_cast<std::size_t>(-1);
};

class CommandTable {
 public:
  // Adds a row, keeping the rows sorted by place (stable for equal places).
  void Add(CommandRow row);
  const std::vector<CommandRow>& Rows() const { return m_rows; }

  // True when the command text passes the row's alias test for some alias;
  // fills alias and argument.
  static bool Matches(const CommandRow& row, const std::string& command,
                      std::string& alias, std::string& argument);

 private:
  std::vector<CommandRow> m_rows;
};

// Wraps a row's handler so that its failures never reach the error
// reporting: the error is dropped with no reply (rows that answer only
// when everything works).
std::function<void(CommandContext&)> Quietly(std::function<void(CommandContext&)> handler);

}  // namespace pelmo
