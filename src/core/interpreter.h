// The command interpreter: logs every chat line, runs the line reactions
// (quiz, vote, chatterbox, ban check), walks the command table and writes
// the command notes. It is also the flood guard's door: administrators are
// admitted and never counted. Main thread only.
#pragma once

#include <string>

#include "core/admin_binding.h"
#include "core/admission.h"
#include "core/command_table.h"
#include "core/flood_guard.h"

namespace pelmo {

class BotLog;
class Roster;
class EventLoop;
class Clock;
struct BotSettings;
struct ChatEvent;
struct Subscriptions;

class Interpreter final : public Admission {
 public:
  // The roster tells the flood guard which names are present at an address.
  Interpreter(BotLog& log, const BotSettings& settings, Subscriptions& on, EventLoop& loop,
              const Clock& clock, const Roster& roster);

  // Handles one chat line (packet type 10): a channel line (kind 0) or a
  // password-channel line (kind 2); other kinds and payloads that cannot
  // be read are ignored. Writes the note of every recognised command in
  // the sender's colour. A service's error propagates to the caller,
  // except where a row catches it.
  void HandleChatLine(const ChatEvent& event);

  CommandTable& Table() { return m_table; }
  // Limits the commands and chatterbox triggers of one computer; the bot
  // configures it with the settings.
  FloodGuard& Guard() { return m_guard; }
  // Where each administrator may give commands from.
  AdminBinding& Admins() { return m_admins; }

  // Admission.
  bool Ignored(const ChatEvent& event) const override;
  bool Admit(const ChatEvent& event) override;

 private:
  enum class Stage { BeforeBanCheck, Limited, Admitted };
  void HandleChannelLine(const ChatEvent& event);
  void HandlePasswordLine(const ChatEvent& event);
  // Walks the rows of one stage for the line's command text; true when a
  // row ended the walk.
  bool RunCommandTable(const ChatEvent& event, Stage stage);
  bool Present(const ChatEvent& event) const;

  BotLog& m_log;
  const BotSettings& m_settings;
  Subscriptions& m_on;
  const Roster& m_roster;
  CommandTable m_table;
  FloodGuard m_guard;
  AdminBinding m_admins;
};

}  // namespace pelmo
