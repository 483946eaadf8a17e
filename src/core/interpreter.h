// The command interpreter: logs every chat line, feeds the passive
// services, refuses banned computers, matches the command table and writes
// the command notes. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "core/command_table.h"
#include "core/flood_guard.h"

namespace pelmo {

class Bot;

struct ChatLine {
  std::uint8_t kind = 0;
  std::string channel;
  std::string password;  // kind 2 only
  std::string text;      // up to the first zero byte or the end
};

// Reads the chat-line payload; false when it is too short for its strings.
bool ParseChatLine(const std::uint8_t* payload, std::size_t length, ChatLine& line);

class Interpreter {
 public:
  explicit Interpreter(Bot& bot);

  // Handles the chat line of the current packet (type 10): a channel line
  // (kind 0) or a password-channel line (kind 2); other kinds are ignored.
  // Writes the note of every recognised command, password-channel commands
  // included, in the sender's colour. A service's error propagates to the
  // caller, except where a row catches it.
  void HandleChatMessage();

  CommandTable& Table() { return m_table; }
  // Limits the commands and chatterbox triggers of one computer; the bot
  // configures it with the settings.
  FloodGuard& Guard() { return m_guard; }

 private:
  void HandleChannelLine(const ChatLine& line);
  void HandlePasswordLine(const ChatLine& line);
  // Walks the table; true when a row did the work.
  bool RunCommandTable(const ChatLine& line, const std::string& command);
  void AddCoreRows();
  // The flood guard's say on one command or trigger of the sender;
  // administrators are always admitted and never counted.
  bool AdmitFromSender(const std::string& nick, const std::string& host);

  Bot& m_bot;
  CommandTable m_table;
  FloodGuard m_guard;
};

}  // namespace pelmo
