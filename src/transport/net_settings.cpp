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

// One number of Net.ini as loaded: the value (the default when missing or
// unreadable) and what the file held.
struct LoadedNumber {
  const char* section;
  const char* key;
  long long value = 0;
  enum class Stored { kMissing, kNumber, kUnreadable } stored = Stored::kMissing;
};

LoadedNumber ReadNumber(const IniFile& netIni, LineLog* log, const char* section, const char* key,
                        long long fallback) {
  LoadedNumber number{section, key, fallback};
  if (!netIni.ValueExists(section, key)) return number;
  if (netIni.IntegerUnreadable(section, key)) {
    LogUnreadableValue(log, section, key, netIni.ReadString(section, key, ""), "a number",
                       std::to_string(fallback));
    number.stored = LoadedNumber::Stored::kUnreadable;
    return number;
  }
  number.value = netIni.ReadInteger(section, key, fallback);
  number.stored = LoadedNumber::Stored::kNumber;
  return number;
}

// A missing key gets the value it loaded as, and so does a number that
// loaded as another (clamped); a value that could not be read stays as the
// operator wrote it, for him to mend.
void WriteBack(IniFile& netIni, const LoadedNumber& number, long long loaded) {
  if (number.stored == LoadedNumber::Stored::kMissing ||
      (number.stored == LoadedNumber::Stored::kNumber && number.value != loaded)) {
    netIni.WriteInteger(number.section, number.key, loaded);
  }
}

}  // namespace

void NetLoad(IniFile& netIni, NetSettings& settings, OutgoingState& out,
             std::uint32_t defaultLocalAddress, LineLog* log) {
  const bool ipMissing = !netIni.ValueExists("net", "ip");
  settings.LocalAddress =
      TextToAddress(netIni.ReadString("net", "ip", AddressToText(defaultLocalAddress)));
  // The port is kept as the 16-bit value the file's number truncates to.
  const LoadedNumber port = ReadNumber(netIni, log, "net", "port", 50138);
  settings.Port = static_cast<std::uint16_t>(port.value);
  const LoadedNumber ttl = ReadNumber(netIni, log, "net", "ttl", 3);
  settings.TTL = static_cast<std::uint8_t>(std::clamp<long long>(ttl.value, 0, 255));
  const LoadedNumber sniffer = ReadNumber(netIni, log, "socket", "snifermode", 1);
  settings.SnifferMode = sniffer.value != 0;
  const LoadedNumber reuse = ReadNumber(netIni, log, "socket", "REUSEADDR", 0);
  settings.ReuseAddr = reuse.value != 0;
  const LoadedNumber multicast = ReadNumber(netIni, log, "socket", "MultiCast", 1);
  settings.MulticastMode = multicast.value != 0;
  const LoadedNumber size = ReadNumber(netIni, log, "chat", "MaxMessageSize", 7000);
  settings.MaxMessageSize =
      static_cast<std::uint16_t>(std::clamp<long long>(size.value, 100, 64000));
  out.OutAddress = settings.SendAddress;

  if (ipMissing) netIni.WriteString("net", "ip", AddressToText(settings.LocalAddress));
  WriteBack(netIni, port, settings.Port);
  WriteBack(netIni, ttl, settings.TTL);
  WriteBack(netIni, sniffer, settings.SnifferMode ? 1 : 0);
  WriteBack(netIni, reuse, settings.ReuseAddr ? 1 : 0);
  WriteBack(netIni, multicast, settings.MulticastMode ? 1 : 0);
  WriteBack(netIni, size, settings.MaxMessageSize);
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
