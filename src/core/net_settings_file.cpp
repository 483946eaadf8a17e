#include "core/net_settings_file.h"

#include <algorithm>

#include "base/ini_file.h"
#include "base/line_log.h"
#include "core/settings_table.h"
#include "transport/net.h"

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

LoadedNumber ReadNumber(const IniFile& netIni, LineLog* log, NetKey which) {
  const SettingRow& row = NetSetting(which);
  const char* section = row.section;
  const char* key = row.key;
  const long long fallback = std::stoll(row.defaultValue);
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

// The value a number loads as: clamped to the row's range when the row
// says so.
long long Loaded(NetKey which, const LoadedNumber& number) {
  const SettingRow& row = NetSetting(which);
  return row.clamped ? std::clamp(number.value, row.low, row.high) : number.value;
}

}  // namespace

void NetLoad(IniFile& netIni, NetSettings& settings, std::uint32_t defaultLocalAddress,
             LineLog* log) {
  const SettingRow& ip = NetSetting(NetKey::kIp);
  const bool ipMissing = !netIni.ValueExists(ip.section, ip.key);
  settings.LocalAddress =
      TextToAddress(netIni.ReadString(ip.section, ip.key, AddressToText(defaultLocalAddress)));
  // The port is kept as the 16-bit value the file's number truncates to.
  const LoadedNumber port = ReadNumber(netIni, log, NetKey::kPort);
  settings.Port = static_cast<std::uint16_t>(port.value);
  const LoadedNumber ttl = ReadNumber(netIni, log, NetKey::kTtl);
  settings.TTL = static_cast<std::uint8_t>(Loaded(NetKey::kTtl, ttl));
  const LoadedNumber sniffer = ReadNumber(netIni, log, NetKey::kSniffer);
  settings.SnifferMode = sniffer.value != 0;
  const LoadedNumber reuse = ReadNumber(netIni, log, NetKey::kReuse);
  settings.ReuseAddr = reuse.value != 0;
  const LoadedNumber multicast = ReadNumber(netIni, log, NetKey::kMulticast);
  settings.MulticastMode = multicast.value != 0;
  const LoadedNumber size = ReadNumber(netIni, log, NetKey::kMaxMessageSize);
  settings.MaxMessageSize = static_cast<std::uint16_t>(Loaded(NetKey::kMaxMessageSize, size));

  if (ipMissing) netIni.WriteString(ip.section, ip.key, AddressToText(settings.LocalAddress));
  WriteBack(netIni, port, settings.Port);
  WriteBack(netIni, ttl, settings.TTL);
  WriteBack(netIni, sniffer, settings.SnifferMode ? 1 : 0);
  WriteBack(netIni, reuse, settings.ReuseAddr ? 1 : 0);
  WriteBack(netIni, multicast, settings.MulticastMode ? 1 : 0);
  WriteBack(netIni, size, settings.MaxMessageSize);
}

void NetSave(IniFile& netIni, const NetSettings& settings) {
  const auto row = [](NetKey key) -> const SettingRow& { return NetSetting(key); };
  netIni.WriteString(row(NetKey::kIp).section, row(NetKey::kIp).key,
                     AddressToText(settings.LocalAddress));
  netIni.WriteInteger(row(NetKey::kPort).section, row(NetKey::kPort).key, settings.Port);
  netIni.WriteInteger(row(NetKey::kTtl).section, row(NetKey::kTtl).key, settings.TTL);
  netIni.WriteBool(row(NetKey::kSniffer).section, row(NetKey::kSniffer).key, settings.SnifferMode);
  netIni.WriteBool(row(NetKey::kReuse).section, row(NetKey::kReuse).key, settings.ReuseAddr);
  netIni.WriteBool(row(NetKey::kMulticast).section, row(NetKey::kMulticast).key,
                   settings.MulticastMode);
  netIni.WriteInteger(row(NetKey::kMaxMessageSize).section, row(NetKey::kMaxMessageSize).key,
                      settings.MaxMessageSize);
}

std::string StoredSendAddress(const IniFile& netIni, bool multicast) {
  const SettingRow& row = SendAddressSetting(multicast);
  return netIni.ReadString(row.section, row.key, "");
}

}  // namespace pelmo
