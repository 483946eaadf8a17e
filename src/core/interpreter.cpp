#include "core/interpreter.h"

#include <exception>
#include <optional>

#include "base/cp1251.h"
#include "core/admins.h"
#include "core/bot.h"

namespace pelmo {

namespace {

bool IsPrefix(char c) { return c == '!' || c == '\\'; }

// The window note of a password-channel command, tested in the order the
// offline-message service tests them ("d" and "r" whole, then the first
// character "c", then the first four "stop" or "nick"); empty for any
// other text, which is no command.
std::string PasswordCommandNote(const std::string& command) {
  if (command == "d") return W(") команда опустошить файл личных сообщений");
  if (command == "r") return W(") команда прочесть личные сообщения");
  if (!command.empty() && command[0] == 'c') return W(") команда сменить пароль абонента");
  if (command.compare(0, 4, "stop") == 0) return W(") команда обнулисть ник респондента");
  if (command.compare(0, 4, "nick") == 0) return W(") команда задать ник респондента");
  return {};
}

bool ReadLengthPrefixed(const std::uint8_t* payload, std::size_t length,
                        std::size_t& at, std::string& out) {
  if (at >= length) return false;
  std::size_t size = payload[at++];
  if (size > length - at) return false;
  out.assign(reinterpret_cast<const char*>(payload + at), size);
  at += size;
  return true;
}

}  // namespace

bool ParseChatLine(const std::uint8_t* payload, std::size_t length, ChatLine& line) {
  if (payload == nullptr || length == 0) return false;
  std::size_t at = 0;
  line.kind = payload[at++];
  if (!ReadLengthPrefixed(payload, length, at, line.channel)) return false;
  line.password.clear();
  if (line.kind == kKindPassword &&
      !ReadLengthPrefixed(payload, length, at, line.password)) {
    return false;
  }
  // The text ends at the first zero byte, or at the end of the payload.
  std::size_t end = at;
  while (end < length && payload[end] != 0) ++end;
  line.text.assign(reinterpret_cast<const char*>(payload + at), end - at);
  return true;
}

Interpreter::Interpreter(Bot& bot) : m_bot(bot) { AddCoreRows(); }

void Interpreter::HandleChatMessage() {
  ChatLine line;
  if (!ParseChatLine(m_bot.codec.PacketBody.data(), m_bot.codec.PacketBodyLength, line)) {
    return;
  }
  if (line.kind == kKindLine) {
    HandleChannelLine(line);
  } else if (line.kind == kKindPassword) {
    HandlePasswordLine(line);
  }
}

void Interpreter::HandleChannelLine(const ChatLine& line) {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string& nick = packet.SenderNick;
  const std::string& host = packet.SenderHost;
  const std::uint32_t address = m_bot.codec.CurrentSender.SrcAddr;
  const std::uint32_t color = packet.SenderColor;
  const ServiceHooks& hooks = m_bot.hooks;
  const BotSettings& settings = m_bot.settings;
  const std::string& text = line.text;

  m_bot.log.LogLine("{" + line.channel + "} " + nick + " (" + host + "): " + text, color);
  if (LatinUpperCase(line.channel) == "MAIN") {
    m_bot.log.LogToFile(nick + " (" + host + "): " + text);
  }
  if (nick == m_bot.netSettings.BotNick || text.empty()) return;
  if (hooks.RecordSeen) hooks.RecordSeen(nick);
  if (!settings.EnableBotCB) return;

  // Comes before the ban check so that a banned user can lift an expired
  // ban himself; only with "!".
  if (text == "!refreshban" || text == W("!куакуырифт") || text == W("!проверить бан")) {
    if (hooks.RefreshBan) hooks.RefreshBan(host);
    m_bot.log.LogLine(nick + " (" + host + W(") команда проверить истечение бана."), color);
    return;
  }

  if (line.channel == settings.NameChanVicE && hooks.QuizText) hooks.QuizText(text, address);
  if (hooks.VoteAnswer) hooks.VoteAnswer(text);
  if (settings.BoltunCB && hooks.Chatterbox) {
    std::optional<std::string> answer = hooks.Chatterbox(NarrowLowerCase(TrimControls(text)));
    if (answer) m_bot.replies.SayTo(m_bot.netSettings.SendAddress, *answer, kKindLine);
  }

  if (!IsPrefix(text[0])) {
    // Short ordinary lines consult the ban list, and nothing follows from
    // the answer; longer lines are left alone.
    if (static_cast<long long>(text.size()) < settings.FloodE && hooks.CheckBan) {
      hooks.CheckBan(host, nick, address, false);
    }
    return;
  }

  if (hooks.CheckBan && hooks.CheckBan(host, nick, address, true)) return;

  const std::string command = text.substr(1);
  if (hooks.PrivateBoxCommand) hooks.PrivateBoxCommand(command, address);
  if (hooks.StatisticsCommand) hooks.StatisticsCommand(command, address);
  if (hooks.VoteCommand) hooks.VoteCommand(command);
  if (hooks.FloodCounter) hooks.FloodCounter(command);
  if (command.empty()) return;

  if (line.channel == settings.NameChanVicE) {
    if (hooks.QuizStartCommand) hooks.QuizStartCommand(command);
    if (hooks.QuizStopCommand) hooks.QuizStopCommand(command);
    if (hooks.QuizText) hooks.QuizText(command, address);
  }

  if (RunCommandTable(line, command)) return;
  if (hooks.ExternalCommand) hooks.ExternalCommand(command, address);
}

bool Interpreter::RunCommandTable(const ChatLine& line, const std::string& command) {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  CommandContext context;
  context.nick = packet.SenderNick;
  context.host = packet.SenderHost;
  context.channel = line.channel;
  context.command = command;
  context.address = m_bot.codec.CurrentSender.SrcAddr;
  context.color = packet.SenderColor;
  context.WriteNote = [this, &context](const std::string& note) {
    m_bot.log.LogLine(context.nick + " (" + context.host + note, context.color);
  };

  std::optional<bool> isAdmin;  // looked up once, only when a row needs it
  for (const CommandRow& row : m_table.Rows()) {
    if (!CommandTable::Matches(row, command, context.alias, context.argument)) continue;
    if (row.extraTest && !row.extraTest(context)) continue;
    if (row.right == CommandRight::Administrator) {
      if (!isAdmin) isAdmin = IsAdmin(m_bot.settings.ADMvle, context.nick, context.host);
      if (!*isAdmin) continue;
    }
    if (!row.noteByHandler) context.WriteNote(row.note);
    if (row.handler) row.handler(context);
    return true;
  }
  return false;
}

void Interpreter::HandlePasswordLine(const ChatLine& line) {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string& nick = packet.SenderNick;
  const std::string& host = packet.SenderHost;
  const std::uint32_t address = m_bot.codec.CurrentSender.SrcAddr;
  const ServiceHooks& hooks = m_bot.hooks;
  const std::string& text = line.text;
  const bool self = nick == m_bot.netSettings.BotNick;

  m_bot.log.LogLine("<" + line.channel + "> " + nick + " (" + host + ") " + " =>> " +
                        line.password + " <<= " + text,
                    packet.SenderColor);
  if (!self && hooks.RecordSeen) hooks.RecordSeen(nick);
  m_bot.log.LogToFile(nick + " (" + host + "): " + text);
  if (self || !m_bot.settings.EnableBotCB) return;

  if (!text.empty() && IsPrefix(text[0])) {
    if (hooks.CheckBan && hooks.CheckBan(host, nick, address, true)) return;
    if (!hooks.PasswordChannelCommand) return;
    const std::string command = text.substr(1);
    const std::string note = PasswordCommandNote(command);
    if (!note.empty()) m_bot.log.LogLine(nick + " (" + host + note, packet.SenderColor);
    hooks.PasswordChannelCommand(command, line.channel, line.password, address);
    return;
  }
  if (hooks.DeliverLine) hooks.DeliverLine(text, line.channel, line.password, address);
}

}  // namespace pelmo
