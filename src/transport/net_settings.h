// The settings that decide how the bot reaches the chat, and their storage
// in Net.ini. Addresses are IPv4 numbers in host byte order.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

class IniFile;
struct OutgoingState;

struct NetSettings {
  std::uint32_t LocalAddress = 0;
  std::uint32_t SendAddress = 0;
  std::uint16_t Port = 50138;
  std::uint8_t TTL = 3;
  bool SnifferMode = true;
  bool ReuseAddr = false;
  bool MulticastMode = true;
  std::uint16_t MaxMessageSize = 7000;
  std::string BotNick = "@Pelmo_bot";
  std::string BotHost = "Pelmo_bot";
};

// Reads "net" ip/port/ttl, "socket" snifermode/REUSEADDR/MultiCast and
// "chat" MaxMessageSize with their defaults and clamps (ttl 0-255,
// MaxMessageSize 100-64000); a missing "ip" defaults to defaultLocalAddress
// (normally GetLocalAddress()). Then OutAddress := SendAddress and NetSave,
// so a missing file is created and clamped values are written back.
void NetLoad(IniFile& netIni, NetSettings& settings, OutgoingState& out,
             std::uint32_t defaultLocalAddress);
// Writes the seven keys above from memory.
void NetSave(IniFile& netIni, const NetSettings& settings);

}  // namespace pelmo
