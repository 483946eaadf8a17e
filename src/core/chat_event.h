// One chat event: what the dispatcher reads out of one accepted packet and
// hands to every reaction and command handler. Reactions and commands read
// the sender from here, never from the codec's current packet, so that a
// handler called later (from a timer or the console) cannot see another
// packet's sender.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/date_time.h"
#include "base/line_name.h"

namespace pelmo {

struct ReceivedPacket;

struct ChatEvent {
  std::uint8_t type = 0;       // packet type (kPacketJoin, kPacketChatLine, ...)
  std::string nick;            // Windows-1251, as the packet carries it
  std::string host;
  std::uint32_t address = 0;   // the datagram's source address, host order
  std::uint32_t color = 0;     // the sender's colour
  TDateTime time = 0;          // the sender's time stamp
  // Chat lines (type 10): the kind byte, the channel, the password (kind 2)
  // and the text up to the first zero byte. Topic packets (type 12): the
  // channel and the topic in text.
  std::uint8_t kind = 0;
  std::string channel;
  std::string password;
  std::string text;
  // The payload could be read as its type requires (always true for the
  // types without strings).
  bool wellFormed = true;
  // The bot's own packet, come back from the network: its nick, from the
  // address it sends from.
  bool self = false;
  // From the address the bot sends from, whatever the names.
  bool ownAddress = false;
  // The bot's nick from another address: a stranger's packet, named with
  // its address wherever it is logged.
  bool impostor = false;

  // nick + " (" + host + ")": how the log, its file and the roster name
  // the sender (each name as a file line holds it); a stranger under the
  // bot's nick gets " [" + address + "]" after it.
  std::string Who() const;
};

// A line that begins with "!" or "\" is a command.
inline bool IsCommandLine(const std::string& text) {
  return !text.empty() && (text[0] == '!' || text[0] == '\\');
}

// The event of one accepted packet. botNick and botAddress (the address
// the bot sends from; 0: unknown, the nick alone decides) tell the bot's
// own packets.
ChatEvent MakeChatEvent(const ReceivedPacket& packet, const std::string& botNick,
                        std::uint32_t botAddress);

}  // namespace pelmo
