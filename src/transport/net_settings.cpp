#include "transport/net_settings.h"

#include <algorithm>

#include "base/ini_file.h"
#include "transport/net.h"
#include "transport/outgoing_state.h"

namespace pelmo {

void NetLoad(IniFile& netIni, NetSettings& settings, OutgoingState& out,
             std::uint32_t defaultLocalAddress) {
  settings.LocalAddress =
      TextToAddress(netIni.ReadString("net", "ip", AddressToText(defaultLocalAddress)));
  // The port is kept as the 16-bit value the file's number truncates to.
  settings.Port = static_cast<std::uint16_t>(netIni.ReadInteger("net", "port", 50138));
  settings.TTL =
      static_cast<std::uint8_t>(std::clamp<long long>(netIni.ReadInteger("net", "ttl", 3), 0, 255));
  settings.SnifferMode = netIni.ReadBool("socket", "snifermode", true);
  settings.ReuseAddr = netIni.ReadBool("socket", "REUSEADDR", false);
  settings.MulticastMode = netIni.ReadBool("socket", "MultiCast", true);
  settings.MaxMessageSize = static_cast<std::uint16_t>(
      std::clamp<long long>(netIni.ReadInteger("chat", "MaxMessageSize", 7000), 100, 64000));
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
