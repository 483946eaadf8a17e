// The settings that decide how the bot reaches the chat (their storage in
// Net.ini is core/net_settings_file.h). Addresses are IPv4 numbers in host
// byte order.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

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

// What an "ip" that is no dotted address loads as.
inline constexpr std::uint32_t kUnreadableAddress = 0xFFFFFFFF;  // 255.255.255.255

}  // namespace pelmo
