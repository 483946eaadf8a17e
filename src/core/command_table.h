// The command table as data: each row holds its place in the walk
// (core/order.h), its aliases and test, the right it needs, the lines it
// answers (channel or password-channel, one channel only), the note
// written to the window log and the handler. Services add their rows when
// they are installed; the walk goes by place, not by installation.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/chat_event.h"
#include "core/order.h"

namespace pelmo {

struct CommandContext {
  explicit CommandContext(const ChatEvent& chatEvent) : event(chatEvent) {}
  // The line the command came in; its sender is the one to answer.
  const ChatEvent& event;
  std::string command;   // the command text, prefix removed
  std::string argument;  // the command text after the matched alias's k characters
  std::string alias;     // the alias that matched ("" for a row with its own test)
  // Writes the command note nick + " (" + host + note in the sender's
  // colour. Set by the interpreter; rows with noteByHandler call it.
  std::function<void(const std::string& note)> WriteNote;
};

enum class CommandRight { All, Administrator };

// Written with designated initializers, one row per statement; every
// member has a default so that a row names only what it needs.
struct CommandRow {
  CommandPlace place = CommandPlace::ExternalCommand;
  // Windows-1251 aliases.
  std::vector<std::string> aliases{};
  // 0: exact (the whole command text equals the alias). Otherwise "first
  // k": the first k characters equal the alias (so an alias shorter than
  // k matches only the whole text); the argument is what follows them.
  // Use kAliasLength to take each alias's own length.
  std::size_t k = 0;
  // The row's own test of the command text, in place of the aliases (a
  // word in any case, any text at all); the argument is then the text.
  std::function<bool(const std::string& command)> accepts{};
  CommandRight right = CommandRight::All;
  // The note (Windows-1251, beginning with ")"); written before the
  // handler runs unless noteByHandler is set. Empty: no note.
  std::string note{};
  bool noteByHandler = false;
  // The kind of line the row answers: channel lines (0) or password-channel
  // lines (2).
  std::uint8_t lineKind = 0;
  // Only lines in this channel (a live setting, compared byte for byte);
  // null: every channel.
  const std::string* channel = nullptr;
  // The prefixes the row accepts before the command text.
  const char* prefixes = "!\\";
  std::function<void(CommandContext&)> handler{};

  static constexpr std::size_t kExact = 0;
  static constexpr std::size_t kAliasLength = static_cast<std::size_t>(-1);
};

class CommandTable {
 public:
  // Adds a row, keeping the rows sorted by place (stable for equal places).
  void Add(CommandRow row);
  const std::vector<CommandRow>& Rows() const { return m_rows; }

  // True when the command text passes the row's test; fills alias and
  // argument.
  static bool Matches(const CommandRow& row, const std::string& command,
                      std::string& alias, std::string& argument);

 private:
  std::vector<CommandRow> m_rows;
};

// A row test that takes every command text.
bool AnyCommandText(const std::string& command);

// Wraps a row's handler so that its failures never reach the error
// reporting: the error is dropped with no reply (rows that answer only
// when everything works).
std::function<void(CommandContext&)> Quietly(std::function<void(CommandContext&)> handler);

}  // namespace pelmo
