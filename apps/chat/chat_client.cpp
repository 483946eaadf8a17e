#include "chat_client.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

namespace {

constexpr const char* kMainChannel = "Main";

}  // namespace

std::string FormatChatLine(const std::string& time, const std::string& channel,
                           const std::string& nick, const std::string& text) {
  std::string line = "[" + time + "] {" + channel + "} " + nick + ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      line += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  // A listing ends with its own line end; the printed line adds one.
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

ChatClient::ChatClient(const ChatNetSettings& settings, const std::string& nick,
                       const std::string& host, const ChatKey& key, const Clock& clock,
                       LineLog& log)
    : m_chat(settings), m_clock(clock), m_log(log) {
  m_settings.LocalAddress = settings.OwnAddress;
  m_settings.SendAddress = settings.SendAddress;
  m_settings.Port = settings.Port;
  m_settings.TTL = settings.TTL;
  m_settings.SnifferMode = false;
  m_settings.MulticastMode = settings.MulticastMode;
  m_settings.MaxMessageSize = settings.MaxMessageSize;
  m_settings.BotNick = nick;
  m_settings.BotHost = host;
  m_random.Randomize(clock);
  BlowfishInit(m_cipher, key.key.data(), key.key.size(), key.iv.data());
  m_codec = std::make_unique<PacketCodec>(m_cipher, m_settings, m_out, m_log, m_clock, m_random);
  m_codec->SetSender(&m_socket);
  m_codec->SetDispatcher([this](const ReceivedPacket& packet) { Dispatch(packet); });
  m_codec->NewEpoch();
}

ChatClient::~ChatClient() { BlowfishBurn(m_cipher); }

bool ChatClient::Open(std::string& error) { return m_socket.Open(m_chat, error); }

void ChatClient::ReceiveFrom(int fd) {
  // Our own packets are dropped before the codec: one stamped in the same
  // millisecond as the bot's answer would make the answer pass for a
  // duplicate.
  while (std::optional<TRecvInfo> info = m_socket.Receive(fd)) {
    if (!m_socket.FromSelf(*info)) m_codec->HandlePacket(*info);
  }
}

void ChatClient::Join() { m_codec->SendAnnouncement(kPacketJoin, m_chat.SendAddress); }
void ChatClient::Leave() { m_codec->SendAnnouncement(kPacketLeave, m_chat.SendAddress); }
void ChatClient::Probe() { m_codec->SendProbe(m_chat.SendAddress); }

void ChatClient::Say(const std::string& text) {
  const std::string_view line = std::string_view(text).substr(0, m_chat.MaxMessageSize);
  m_codec->SendFromBot(EncodeChatLine(kKindLine, m_channel, line), kPacketChatLine,
                       m_chat.SendAddress);
}

void ChatClient::SetTopic(const std::string& topic) {
  m_codec->SendFromBot(EncodeTopic(kMainChannel, topic), kPacketTopic, m_chat.SendAddress);
}

bool ChatClient::FromSelf(const TIncomingPacket& packet) const {
  return packet.SenderNick == m_settings.BotNick && packet.SenderHost == m_settings.BotHost;
}

std::string ChatClient::Now() const { return FormatDateTime("hh:nn", m_clock.Now()); }

void ChatClient::Dispatch(const ReceivedPacket& received) {
  const TIncomingPacket& packet = received.header;
  const std::uint32_t from = received.sender.SrcAddr;
  const std::string& nick = packet.SenderNick;
  LineSource source{nick, received.sender.DstAddr == m_settings.LocalAddress};
  const auto emit = [this, &source](const std::string& line) {
    if (OnLine) OnLine(line, source);
  };
  switch (packet.PacketType) {
    case kPacketProbe:
      m_codec->SendProbeReply(from);
      return;
    case kPacketPresenceReply:
      if (OnPresence) OnPresence(nick, packet.SenderHost);
      return;
    default:
      break;
  }
  if (FromSelf(packet)) return;
  switch (packet.PacketType) {
    case kPacketJoin:
      emit(FormatChatLine(Now(), kMainChannel, nick, "*** (" + packet.SenderHost + ") joined"));
      return;
    case kPacketLeave:
      emit(FormatChatLine(Now(), kMainChannel, nick, "*** (" + packet.SenderHost + ") left"));
      return;
    case kPacketTopic: {
      const TopicFields topic = DecodeTopic(received.body, received.bodyLength);
      if (!topic.whole) return;
      emit(FormatChatLine(Now(), topic.channel, nick, "*** topic: " + topic.topic));
      return;
    }
    case kPacketChatLine: {
      ChatLineFields line;
      if (!DecodeChatLine(received.body, received.bodyLength, line)) return;
      if (line.kind != kKindLine && line.kind != kKindListing) return;
      source.chatLine = true;
      emit(FormatChatLine(Now(), line.channel, nick, line.text));
      return;
    }
    default:
      return;
  }
}

}  // namespace pelmo
