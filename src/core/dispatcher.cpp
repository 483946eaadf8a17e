#include "core/dispatcher.h"

#include <exception>

#include "base/cp1251.h"
#include "core/bot.h"
#include "core/error_text.h"

namespace pelmo {

namespace {

// The topic of a topic payload: byte 0, the channel and then the topic as
// length-prefixed strings. A payload cut short gives what it holds.
std::string ReadTopic(const std::uint8_t* body, std::size_t length) {
  std::size_t pos = 1;
  if (pos >= length) return {};
  pos += 1 + body[pos];  // the channel, not used
  if (pos >= length) return {};
  std::size_t topicLength = body[pos++];
  if (topicLength > length - pos) topicLength = length - pos;
  return std::string(reinterpret_cast<const char*>(body + pos), topicLength);
}

}  // namespace

void Dispatcher::DispatchPacket() {
  try {
    switch (m_bot.codec.CurrentPacket.PacketType) {
      case kPacketJoin: OnJoin(); break;
      case kPacketLeave: OnLeave(); break;
      case kPacketProbe: OnProbe(); break;
      case kPacketChatLine: m_bot.interpreter.HandleChatMessage(); break;
      case kPacketColor: OnColorChange(); break;
      case kPacketTopic: OnTopic(); break;
      case kPacketChannelJoin: OnChannelJoin(); break;
      case kPacketChannelLeave: OnChannelLeave(); break;
      case kPacketPresenceReply: OnPresenceReply(); break;
      default: break;
    }
  } catch (const std::exception& e) {
    // A failing service ends this packet only; the outgoing state is put
    // back so that the next packet starts clean.
    m_bot.out.OutAddress = m_bot.netSettings.SendAddress;
    m_bot.out.OutChannel = "Main";
    m_bot.log.LogLine(ErrorLogLine(e), 0);
  }
}

bool Dispatcher::IsSelf() const {
  return m_bot.codec.CurrentPacket.SenderNick == m_bot.netSettings.BotNick;
}

void Dispatcher::OnJoin() {
  if (IsSelf()) return;
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string nick = packet.SenderNick;
  const std::string host = packet.SenderHost;
  const std::uint32_t address = m_bot.codec.CurrentSender.SrcAddr;
  const ServiceHooks& hooks = m_bot.hooks;
  const BotSettings& settings = m_bot.settings;

  m_bot.log.LogToFile(nick + " (" + host + W("): присоединился к нам."));
  if (hooks.RecordSeen) hooks.RecordSeen(nick);
  m_bot.log.LogLine(nick + " (" + host + ") joined us", packet.SenderColor);
  m_bot.codec.SendProbe(address);

  if (settings.EnableBotCB) {
    bool banned = hooks.CheckBan && hooks.CheckBan(host, nick, address, false);
    if (!banned) {
      if (hooks.NotifyUnread) hooks.NotifyUnread(nick, address);
      if (hooks.NotifyNews) hooks.NotifyNews(nick, address);
      std::string topic = m_bot.topic.Topic;
      if (m_bot.topic.TopicLocked) topic += " (Fixed)";
      m_bot.out.OutAddress = m_bot.netSettings.SendAddress;
      if (hooks.SendEntryMessage) hooks.SendEntryMessage(nick);
      if (settings.BirthDayCB && hooks.Birthdays) hooks.Birthdays();
      if (!topic.empty()) {
        OutStateGuard guard(m_bot.out, m_bot.netSettings);
        m_bot.out.OutAddress = address;
        m_bot.replies.SendTopic(topic);
      }
      if (settings.AutoAforizmCB && hooks.SendAnecdoteChannelName) {
        hooks.SendAnecdoteChannelName(address);
      }
      if (settings.PocazNameChanCB && hooks.SendQuizChannelName) {
        hooks.SendQuizChannelName(address);
      }
      if (settings.DefaultMsgCB && hooks.SendStartMessage) {
        hooks.SendStartMessage(address);
      }
      if (settings.ShowBannedCB && hooks.SendBanned) hooks.SendBanned(address);
    }
  }

  if (hooks.PrivateBoxJoinNotice) hooks.PrivateBoxJoinNotice(host, address);
  if (hooks.RefreshBan) hooks.RefreshBan(host);
}

void Dispatcher::OnLeave() {
  if (IsSelf()) return;
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string nick = packet.SenderNick;
  const std::string entry = nick + " (" + packet.SenderHost + ")";

  m_bot.log.LogToFile(entry + W(": покинул нас."));
  if (m_bot.hooks.RecordSeen) m_bot.hooks.RecordSeen(nick);
  m_bot.log.LogLine(entry + " leave us", packet.SenderColor);
  // The "Users: " panel keeps its count until the next addition.
  if (m_bot.roster.Remove(entry)) m_bot.NotifyRoster();
  if (m_bot.hooks.SendQuitMessage) m_bot.hooks.SendQuitMessage(nick);
}

void Dispatcher::OnProbe() {
  if (m_bot.settings.InvisibleCB) return;
  m_bot.codec.SendProbeReply(m_bot.codec.CurrentSender.SrcAddr);
}

void Dispatcher::OnPresenceReply() {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string entry = packet.SenderNick + " (" + packet.SenderHost + ")";
  if (!m_bot.roster.Add(entry, m_bot.codec.CurrentSender.SrcAddr)) return;
  m_bot.SetStatusPanel(0, "Users: " + std::to_string(m_bot.roster.Count()));
  m_bot.NotifyRoster();
}

void Dispatcher::OnColorChange() {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  m_bot.log.LogLine(TimeToStr(m_bot.clock.Now()) + " " + packet.SenderNick +
                        " (" + packet.SenderHost + ") change color",
                    packet.SenderColor);
  if (!IsSelf() && m_bot.hooks.RecordSeen) m_bot.hooks.RecordSeen(packet.SenderNick);
}

void Dispatcher::OnChannelJoin() {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  m_bot.log.LogLine(packet.SenderNick + " (" + packet.SenderHost + ") joined to channel",
                    packet.SenderColor);
  if (!IsSelf() && m_bot.hooks.RecordSeen) m_bot.hooks.RecordSeen(packet.SenderNick);
}

void Dispatcher::OnChannelLeave() {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  m_bot.log.LogLine(packet.SenderNick + " (" + packet.SenderHost + ") leave channel",
                    packet.SenderColor);
  if (!IsSelf() && m_bot.hooks.RecordSeen) m_bot.hooks.RecordSeen(packet.SenderNick);
}

void Dispatcher::OnTopic() {
  const TIncomingPacket& packet = m_bot.codec.CurrentPacket;
  const std::string nick = packet.SenderNick;
  const std::string host = packet.SenderHost;
  const bool self = IsSelf();

  if (m_bot.topic.TopicLocked) {
    if (host != m_bot.netSettings.BotHost && nick != m_bot.netSettings.BotNick &&
        m_bot.settings.EnableBotCB) {
      m_bot.replies.SayText(W("Нельзя сменить тему!"), kKindLine);
      m_bot.replies.SendTopic(m_bot.topic.Topic + " (Fixed)");
    }
    if (!self && m_bot.hooks.RecordSeen) m_bot.hooks.RecordSeen(nick);
    return;
  }

  m_bot.SetTopic(ReadTopic(m_bot.codec.PacketBody.data(), m_bot.codec.PacketBodyLength));
  const std::string& topic = m_bot.topic.Topic;
  m_bot.log.LogLine(nick + W(" сменил тему на: ") + topic, packet.SenderColor);
  if (!self) {
    m_bot.log.LogToFile(nick + " (" + host + W("): сменил тему на: ") + topic);
  }
}

void Dispatcher::RefreshRoster() {
  m_bot.roster.Clear();
  m_bot.NotifyRoster();
  // The probe goes to the chat's own group or broadcast address (the
  // original's fixed 234.0.0.1 missed every other configuration).
  m_bot.codec.SendProbe(m_bot.netSettings.SendAddress);
}

void Dispatcher::UsrLBClick(int index) {
  const auto& entries = m_bot.roster.Entries();
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return;
  m_bot.SetStatusPanel(1, "IP:" + AddressToText(entries[index].address));
}

}  // namespace pelmo
