// The network settings' storage in Net.ini, by the rows of the settings
// table (settings_table.h): the keys of "net", "socket" and "chat"
// MaxMessageSize that the transport uses. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "transport/net_settings.h"

namespace pelmo {

class IniFile;
class LineLog;

// Reads "net" ip/port/ttl, "socket" snifermode/REUSEADDR/MultiCast and
// "chat" MaxMessageSize with their defaults and clamps (ttl 0-255,
// MaxMessageSize 100-64000); a missing "ip" defaults to defaultLocalAddress
// (normally GetLocalAddress()). A missing
// key is written with the value it loaded as, so that a missing file is
// created, and so is a clamped value.
// A value that is there but is no number gets the default like a missing
// one, and one line in log (when given) names the key and the value, so
// that the operator sees why; it is never written over, as the operator's
// text says what he meant. An "ip" that is no address loads as
// 255.255.255.255 without a line: what is used instead is the caller's
// choice (the settings load takes the first interface) and its line.
void NetLoad(IniFile& netIni, NetSettings& settings, std::uint32_t defaultLocalAddress,
             LineLog* log = nullptr);

// The line that tells the operator a Net.ini value could not be read as
// kind ("a number", "an address") and used instead; nothing when log is
// null.
void LogUnreadableValue(LineLog* log, std::string_view section, std::string_view key,
                        std::string_view value, std::string_view kind, std::string_view used);
// Writes the seven keys above from memory.
void NetSave(IniFile& netIni, const NetSettings& settings);

// The stored group ("netaddr", multicast) or broadcast address
// ("IpBroadcast") as written; "" when missing.
std::string StoredSendAddress(const IniFile& netIni, bool multicast);

}  // namespace pelmo
