#include "core/dispatcher.h"

#include <exception>

#include "base/cp1251.h"
#include "core/bot_parts.h"
#include "core/chat_event.h"
#include "core/error_text.h"

namespace pelmo {

void Dispatcher::DispatchPacket(const ReceivedPacket& packet) {
  Dispatch(MakeChatEvent(packet, m_bot.netSettings.BotNick, m_bot.netSettings.LocalAddress));
}

void Dispatcher::Dispatch(const ChatEvent& event) {
  try {
    m_bot.interpreter.Admins().Observe(m_bot.settings.ADMvle, event);
    switch (event.type) {
      case kPacketJoin: OnJoin(event); break;
      case kPacketLeave: OnLeave(event); break;
      case kPacketProbe: OnProbe(event); break;
      case kPacketChatLine: m_bot.interpreter.HandleChatLine(event); break;
      case kPacketColor: OnNotice(event, ") change color"); break;
      case kPacketTopic: OnTopic(event); break;
      case kPacketChannelJoin: OnNotice(event, ") joined to channel"); break;
      case kPacketChannelLeave: OnNotice(event, ") leave channel"); break;
      case kPacketPresenceReply: OnPresenceReply(event); break;
      default: break;
    }
  } catch (const std::exception& e) {
    m_bot.log.LogLine(ErrorLogLine(e), 0);
  }
}

void Dispatcher::OnJoin(const ChatEvent& event) {
  if (event.self) return;
  m_bot.log.LogToFile(event.Who() + W(": присоединился к нам."));
  m_bot.on.seen.Run(event);
  m_bot.log.LogLine(event.Who() + " joined us", event.color);
  m_bot.codec.SendProbe(event.address);

  // The greetings count as a command of the joiner: one computer joining
  // again and again (under new names, say) must not make the bot greet the
  // whole chat each time.
  if (m_bot.settings.EnableBotCB && m_bot.interpreter.Admit(event)) {
    m_bot.on.greeting.Run(event);
  }
  m_bot.on.join.Run(event);
}

void Dispatcher::SendTopicTo(const ChatEvent& event) {
  std::string topic = m_bot.topic.Topic;
  if (m_bot.topic.TopicLocked) topic += " (Fixed)";
  if (topic.empty()) return;
  m_bot.replies.SendTopic(Replies::To(event.address), topic);
}

void Dispatcher::OnLeave(const ChatEvent& event) {
  if (event.self) return;
  const std::string entry = event.Who();
  m_bot.log.LogToFile(entry + W(": покинул нас."));
  m_bot.on.seen.Run(event);
  m_bot.log.LogLine(entry + " leave us", event.color);
  // The "Users: " panel keeps its count until the next addition.
  if (m_bot.roster.Remove(entry)) m_bot.NotifyRoster();
  m_bot.on.leave.Run(event);
}

void Dispatcher::OnProbe(const ChatEvent& event) {
  if (m_bot.settings.InvisibleCB) return;
  // Each answer goes to the probe's source address, which a stranger can
  // forge: probes count with the flood guard, or the bot would be anybody's
  // reflector.
  if (!event.self && !m_bot.interpreter.Admit(event)) return;
  // The reply echoes the probe's bytes, which only the codec still holds.
  m_bot.codec.SendProbeReply(event.address);
}

void Dispatcher::OnPresenceReply(const ChatEvent& event) {
  if (!m_bot.roster.Add(event.Who(), event.address)) return;
  m_bot.SetStatusPanel(0, "Users: " + std::to_string(m_bot.roster.Count()));
  m_bot.NotifyRoster();
}

void Dispatcher::OnNotice(const ChatEvent& event, const char* what) {
  std::string line = event.nick + " (" + event.host + what;
  if (event.type == kPacketColor) line = TimeToStr(m_bot.clock.Now()) + " " + line;
  m_bot.log.LogLine(line, event.color);
  if (!event.self) m_bot.on.seen.Run(event);
}

void Dispatcher::OnTopic(const ChatEvent& event) {
  if (m_bot.topic.TopicLocked) {
    // Defended like a command answered to everybody, so within the flood
    // guard's bounds. The bot's nick or host exempt only from its own
    // address: anybody can write them.
    const bool bots = event.ownAddress && (event.host == m_bot.netSettings.BotHost ||
                                           event.nick == m_bot.netSettings.BotNick);
    if (!bots && m_bot.settings.EnableBotCB && m_bot.interpreter.Admit(event)) {
      m_bot.replies.SayToAll(W("Нельзя сменить тему!"), kKindLine);
      m_bot.replies.SendTopic(m_bot.replies.ToAll(), m_bot.topic.Topic + " (Fixed)");
    }
    if (!event.self) m_bot.on.seen.Run(event);
    return;
  }

  m_bot.SetTopic(event.text);
  const std::string& topic = m_bot.topic.Topic;
  m_bot.log.LogLine(event.nick + W(" сменил тему на: ") + topic, event.color);
  if (!event.self) m_bot.log.LogToFile(event.Who() + W(": сменил тему на: ") + topic);
}

void Dispatcher::RefreshRoster() {
  m_bot.roster.Clear();
  m_bot.NotifyRoster();
  // The probe goes to the chat's own group or broadcast address, so that
  // every configuration of the chat refills the roster.
  m_bot.codec.SendProbe(m_bot.netSettings.SendAddress);
}

void Dispatcher::UsrLBClick(int index) {
  const auto& entries = m_bot.roster.Entries();
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return;
  m_bot.SetStatusPanel(1, "IP:" + AddressToText(entries[index].address));
}

}  // namespace pelmo
