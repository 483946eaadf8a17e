#include "core/chat_event.h"

#include <utility>

#include "transport/chat_payload.h"
#include "transport/net.h"
#include "transport/packet_codec.h"

namespace pelmo {

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
    ChatLineFields line;
    event.wellFormed = DecodeChatLine(packet.body, packet.bodyLength, line);
    event.kind = line.kind;
    event.channel = std::move(line.channel);
    event.password = std::move(line.password);
    event.text = std::move(line.text);
  } else if (event.type == kPacketTopic) {
    TopicFields topic = DecodeTopic(packet.body, packet.bodyLength);
    event.channel = std::move(topic.channel);
    event.text = std::move(topic.topic);
  }
  return event;
}

}  // namespace pelmo
