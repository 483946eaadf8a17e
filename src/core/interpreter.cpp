#include "core/interpreter.h"

#include <cstring>
#include <optional>

#include "base/cp1251.h"
#include "core/admins.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/chat_event.h"
#include "core/reactions.h"
#include "core/replies.h"
#include "core/roster.h"

namespace pelmo {

Interpreter::Interpreter(BotLog& log, const BotSettings& settings, Subscriptions& on,
                         EventLoop& loop, const Clock& clock, const Roster& roster)
    : m_log(log),
      m_settings(settings),
      m_on(on),
      m_roster(roster),
      m_guard(loop, clock, log),
      m_admins(log) {}

bool Interpreter::Present(const ChatEvent& event) const {
  return m_roster.Holds(event.Who(), event.address);
}

bool Interpreter::Ignored(const ChatEvent& event) const {
  return m_guard.Ignored(event.address, Present(event));
}

bool Interpreter::Admit(const ChatEvent& event) {
  if (!m_guard.Enabled()) return true;
  if (m_admins.IsAdmin(m_settings.ADMvle, event, false)) return true;
  return m_guard.Admit(event.address, event.host, event.nick, Present(event));
}

void Interpreter::HandleChatLine(const ChatEvent& event) {
  if (!event.wellFormed) return;
  if (event.kind == kKindLine) {
    HandleChannelLine(event);
  } else if (event.kind == kKindPassword) {
    HandlePasswordLine(event);
  }
}

void Interpreter::HandleChannelLine(const ChatEvent& event) {
  const std::string& text = event.text;
  m_log.LogLine("{" + event.channel + "} " + event.Who() + ": " + text, event.color);
  if (LatinUpperCase(event.channel) == "MAIN") m_log.LogToFile(event.Who() + ": " + text);
  if (event.self || text.empty()) return;
  m_on.seen.Run(event);
  if (!m_settings.EnableBotCB) return;

  const bool command = IsCommandLine(text);
  if (command && RunCommandTable(event, Stage::BeforeBanCheck)) return;
  if (!m_on.line.Run(event)) return;
  if (!command) return;
  RunCommandTable(event, Admit(event) ? Stage::Admitted : Stage::Limited);
}

bool Interpreter::RunCommandTable(const ChatEvent& event, Stage stage) {
  CommandContext context(event);
  context.command = event.text.substr(1);
  context.WriteNote = [this, &event](const std::string& note) {
    m_log.LogLine(event.nick + " (" + event.host + note, event.color);
  };
  const bool before = stage == Stage::BeforeBanCheck;

  std::optional<bool> isAdmin;  // looked up once, only when a row needs it
  for (const CommandRow& row : m_table.Rows()) {
    if (RunsBeforeBanCheck(row.place) != before) continue;
    if (stage == Stage::Limited && !NeverLimited(row.place)) continue;
    if (context.command.empty() && !SeesEmptyText(row.place)) break;
    if (row.lineKind != event.kind) continue;
    if (std::strchr(row.prefixes, event.text[0]) == nullptr) continue;
    if (row.channel != nullptr && event.channel != *row.channel) continue;
    if (!CommandTable::Matches(row, context.command, context.alias, context.argument)) continue;
    if (row.right == CommandRight::Administrator) {
      if (!isAdmin) isAdmin = m_admins.IsAdmin(m_settings.ADMvle, event, true);
      if (!*isAdmin) continue;
    }
    if (!row.noteByHandler && !row.note.empty()) context.WriteNote(row.note);
    if (row.handler) row.handler(context);
    if (!GoesOn(row.place)) return true;
  }
  return false;
}

void Interpreter::HandlePasswordLine(const ChatEvent& event) {
  m_log.LogLine("<" + event.channel + "> " + event.Who() + " " + " =>> " + event.password +
                    " <<= " + event.text,
                event.color);
  if (!event.self) m_on.seen.Run(event);
  m_log.LogToFile(event.Who() + ": " + event.text);
  if (event.self || !m_settings.EnableBotCB) return;
  if (!m_on.passwordLine.Run(event)) return;
  // A box read out ("r") is a reply like any other: it counts.
  if (IsCommandLine(event.text)) {
    RunCommandTable(event, Admit(event) ? Stage::Admitted : Stage::Limited);
  }
}

}  // namespace pelmo
