#include "transport/net_settings.h"

#include <algorithm>

#include "base/ini_file.h"
#include "base/line_log.h"
#include "transport/net.h"
#include "transport/outgoing_state.h"

namespace pelmo {

void LogUnreadableValue(LineLog* log, std::string_view section, std::string_view key,
                        std::string_view value, std::string_view kind, std::string_view used) {
  if (log == nullptr) return;
  log->LogLine("Net.ini [" + std::string(section) + "] " + std::string(key) + "=\"" +
               std::string(value) + "\" cannot be read as " + std::string(kind) + "; " +
               std::string(used) + " is used.");
}

namespace {

// The integer of section/key, or fallback (logged) when the key holds
// something else.
long long ReadNumber(const IniFile& netIni, LineLog* log, std::string_view section,
                     std::string_view key, long long fallback) {
  if (netIni.IntegerUnreadable(section, key)) {
    LogUnreadableValue(log, section, key, netIni.ReadString(section, key, ""), "a number",
                       std::to_string(fallback));
  }
  return netIni.ReadInteger(section, key, fallback);
}

}  // namespace

void NetLoad(IniFile& netIni, NetSettings& settings, OutgoingState& out,
             std::uint32_t defaultLocalAddress, LineLog* log) {
  const std::string ip = netIni.ReadString("net", "ip", AddressToText(defaultLocalAddress));
  settings.LocalAddress = TextToAddress(ip);
  if (settings.LocalAddress == kUnreadableAddress && ip != AddressToText(kUnreadableAddress)) {
    LogUnreadableValue(log, "net", "ip", ip, "an address", AddressToText(kUnreadableAddress));
  }
  // The port is kept as the 16-bit value the file's number truncates to.
  settings.Port = static_cast<std::uint16_t>(ReadNumber(netIni, log, "net", "port", 50138));
  settings.TTL = static_cast<std::uint8_t>(
      std::clamp<long long>(ReadNumber(netIni, log, "net", "ttl", 3), 0, 255));
  settings.SnifferMode = ReadNumber(netIni, log, "socket", "snifermode", 1) != 0;
  settings.ReuseAddr = ReadNumber(netIni, log, "socket", "REUSEADDR", 0) != 0;
  settings.MulticastMode = ReadNumber(netIni, log, "socket", "MultiCast", 1) != 0;
  settings.MaxMessageSize = static_cast<std::uint16_t>(
      std::clamp<long long>(ReadNumber(netIni, log, "chat", "MaxMessageSize", 7000), 100, 64000));
  out.OutAddress = settings.SendAddress;
  // Creates a missing file and writes clamped values back.
  NetSave(netIni, settings);
}

void NetSave(IniFile& netIni, const NetSettings& settings) {
  netIni.WriteString("net", "ip", AddressToText(settings.LocalAddress));
  netIni.WriteInteger("net", "port", settings.Port);
  netIni.WriteInteger("net", "ttl", settings.TTL);
  netIni.WriteBool("socket", "snifermode", settings.SnifferMode);
  netIni.WriteBool("socket", "REUSEADDR", settings.ReuseAddr);
  netIni.WriteBool("socket", "MultiCast", settings.MulticastMode);
  netIni.WriteInteger("chat", "MaxMessageSize", settings.MaxMessageSize);
}

}  // namespace pelmo
