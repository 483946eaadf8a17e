#include "core/chat_event.h"

#include "core/replies.h"
#include "transport/net.h"
#include "transport/packet_codec.h"

namespace pelmo {

namespace {

bool ReadLengthPrefixed(const std::uint8_t* payload, std::size_t length, std::size_t& at,
                        std::string& out) {
  if (at >= length) return false;
  std::size_t size = payload[at++];
  if (size > length - at) return false;
  out.assign(reinterpret_cast<const char*>(payload + at), size);
  at += size;
  return true;
}

// Kind, channel, the password of kind 2, then the text up to the first zero
// byte or the end of the payload.
bool ReadChatLine(const std::uint8_t* payload, std::size_t length, ChatEvent& event) {
  if (payload == nullptr || length == 0) return false;
  std::size_t at = 0;
  event.kind = payload[at++];
  if (!ReadLengthPrefixed(payload, length, at, event.channel)) return false;
  if (event.kind == kKindPassword && !ReadLengthPrefixed(payload, length, at, event.password)) {
    return false;
  }
  std::size_t end = at;
  while (end < length && payload[end] != 0) ++end;
  event.text.assign(reinterpret_cast<const char*>(payload + at), end - at);
  return true;
}

// Byte 0, the channel and the topic as length-prefixed strings. A payload
// cut short gives what it holds.
void ReadTopic(const std::uint8_t* body, std::size_t length, ChatEvent& event) {
  std::size_t pos = 1;
  if (pos >= length) return;
  const std::size_t channelLength = body[pos++];
  if (channelLength > length - pos) return;
  event.channel.assign(reinterpret_cast<const char*>(body + pos), channelLength);
  pos += channelLength;
  if (pos >= length) return;
  std::size_t topicLength = body[pos++];
  if (topicLength > length - pos) topicLength = length - pos;
  event.text.assign(reinterpret_cast<const char*>(body + pos), topicLength);
}

}  // namespace

std::string ChatEvent::Who() const {
  std::string who = LineName(nick) + " (" + LineName(host) + ")";
  if (impostor) who += " [" + AddressToText(address) + "]";
  return who;
}

ChatEvent MakeChatEvent(const ReceivedPacket& packet, const std::string& botNick,
                        std::uint32_t botAddress) {
  ChatEvent event;
  event.type = packet.header.PacketType;
  event.nick = packet.header.SenderNick;
  event.host = packet.header.SenderHost;
  event.address = packet.sender.SrcAddr;
  event.color = packet.header.SenderColor;
  event.time = packet.header.Stamp;
  event.ownAddress = botAddress == 0 || event.address == botAddress;
  // Anybody can write the bot's nick; only the bot sends from its address.
  event.self = event.nick == botNick && event.ownAddress;
  event.impostor = event.nick == botNick && !event.ownAddress;
  if (event.type == kPacketChatLine) {
    event.wellFormed = ReadChatLine(packet.body, packet.bodyLength, event);
  } else if (event.type == kPacketTopic) {
    ReadTopic(packet.body, packet.bodyLength, event);
  }
  return event;
}

}  // namespace pelmo
