#include "chat_client.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

namespace {

constexpr std::uint8_t kKindLine = 0;
constexpr std::uint8_t kKindListing = 3;
constexpr const char* kMainChannel = "Main";

void PutString(std::vector<std::uint8_t>& out, const std::string& text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 255);
  out.push_back(static_cast<std::uint8_t>(length));
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

bool GetString(const std::uint8_t* data, std::size_t length, std::size_t& at, std::string& out) {
  if (at >= length) return false;
  const std::size_t size = data[at++];
  if (size > length - at) return false;
  out.assign(reinterpret_cast<const char*>(data + at), size);
  at += size;
  return true;
}

}  // namespace

std::vector<std::uint8_t> MakeChatLinePayload(const std::string& channel, const std::string& text,
                                              std::size_t maxLength) {
  std::vector<std::uint8_t> payload{kKindLine};
  PutString(payload, channel);
  const std::size_t length = std::min(text.size(), maxLength);
  payload.insert(payload.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
  payload.push_back(0);
  return payload;
}

std::vector<std::uint8_t> MakeTopicPayload(const std::string& channel, const std::string& topic) {
  std::vector<std::uint8_t> payload{0};
  PutString(payload, channel);
  PutString(payload, topic);
  return payload;
}

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
  m_out.OutAddress = settings.SendAddress;
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
  m_codec->SendFromBot(MakeChatLinePayload(m_channel, text, m_chat.MaxMessageSize),
                       kPacketChatLine, m_chat.SendAddress);
}

void ChatClient::SetTopic(const std::string& topic) {
  m_codec->SendFromBot(MakeTopicPayload(kMainChannel, topic), kPacketTopic, m_chat.SendAddress);
}

bool ChatClient::FromSelf(const TIncomingPacket& packet) const {
  return packet.SenderNick == m_settings.BotNick && packet.SenderHost == m_settings.BotHost;
}

std::string ChatClient::Now() const { return FormatDateTime("hh:nn", m_clock.Now()); }

void ChatClient::Dispatch(const ReceivedPacket& received) {
  const TIncomingPacket& packet = received.header;
  const std::uint8_t* body = received.body;
  const std::size_t length = received.bodyLength;
  const std::uint32_t from = received.sender.SrcAddr;
  const std::string& nick = packet.SenderNick;
  const LineSource source{nick, received.sender.DstAddr == m_settings.LocalAddress};
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
      std::size_t at = 1;
      std::string channel;
      std::string topic;
      if (length < 1 || !GetString(body, length, at, channel) ||
          !GetString(body, length, at, topic)) {
        return;
      }
      emit(FormatChatLine(Now(), channel, nick, "*** topic: " + topic));
      return;
    }
    case kPacketChatLine: {
      if (length < 1 || (body[0] != kKindLine && body[0] != kKindListing)) return;
      std::size_t at = 1;
      std::string channel;
      if (!GetString(body, length, at, channel)) return;
      std::size_t end = at;
      while (end < length && body[end] != 0) ++end;
      emit(FormatChatLine(Now(), channel, nick,
                          std::string(reinterpret_cast<const char*>(body + at), end - at)));
      return;
    }
    default:
      return;
  }
}

}  // namespace pelmo
