#include "core/settings_table.h"

#include <charconv>

#include "base/cp1251.h"
#include "transport/net.h"

namespace pelmo {

namespace {

using B = BotSettings;
constexpr SettingFile kNet = SettingFile::kNetIni;
constexpr SettingFile kOthers = SettingFile::kOthersIni;

SettingRow Switch(SettingFile file, const char* section, const char* key, bool B::*member,
                  const char* field, const char* defaultValue = "1") {
  return {.file = file, .section = section, .key = key, .type = SettingType::kSwitch,
          .defaultValue = defaultValue, .field = field, .member = member};
}

SettingRow Text(SettingFile file, const char* section, const char* key, std::string B::*member,
                const char* field, const char* defaultValue) {
  return {.file = file, .section = section, .key = key, .defaultValue = defaultValue,
          .field = field, .member = member};
}

SettingRow Integer(const char* key, long long B::*member, const char* field,
                   const char* defaultValue, long long low = 1, long long high = 0) {
  return {.section = "chat", .key = key, .type = SettingType::kInteger,
          .defaultValue = defaultValue, .low = low, .high = high, .field = field,
          .member = member};
}

SettingRow Network(const char* section, const char* key, SettingType type,
                   const char* defaultValue, const char* field = "", SettingMember member = {},
                   long long low = 1, long long high = 0, bool clamped = false) {
  return {.section = section, .key = key, .type = type, .defaultValue = defaultValue,
          .low = low, .high = high, .clamped = clamped, .field = field, .member = member,
          .writer = SettingWriter::kNetwork};
}

const std::vector<SettingRow>& Rows() {
  static const std::vector<SettingRow> rows = [] {
    std::vector<SettingRow> r = {
        // Network settings, in NetKey order.
        Network("net", "ip", SettingType::kAddress, "", "InterfacesCB"),
        Network("net", "port", SettingType::kInteger, "50138", "PortE", &B::PortE, 1, 65535),
        Network("net", "ttl", SettingType::kInteger, "3", "TTLe", &B::TTLe, 0, 255, true),
        Network("socket", "snifermode", SettingType::kSwitch, "1"),
        Network("socket", "REUSEADDR", SettingType::kSwitch, "0"),
        Network("socket", "MultiCast", SettingType::kSwitch, "1", "MulticastModeCB",
                &B::MulticastModeCB),
        Network("chat", "MaxMessageSize", SettingType::kInteger, "7000", "MsgSizeE",
                &B::MsgSizeE, 100, 64000, true),
        {.section = "net", .key = "netaddr", .type = SettingType::kGroup,
         .defaultValue = "234.0.0.1", .field = "NetAddrE", .member = &B::NetAddrE,
         .writer = SettingWriter::kAddressOfMode},
        {.section = "net", .key = "IpBroadcast", .type = SettingType::kBroadcast,
         .field = "NetAddrE", .member = &B::NetAddrE, .writer = SettingWriter::kAddressOfMode},
        // Section "chat" of Net.ini, in the order the save writes it.
        Text(kNet, "chat", "Nick", &B::NickE, "NickE", "PelmoBot"),
        Text(kNet, "chat", "Host", &B::HostE, "HostE", "PelmoBot"),
        Switch(kNet, "chat", "EnableBot", &B::EnableBotCB, "EnableBotCB"),
        Switch(kNet, "chat", "DefaultMsg", &B::DefaultMsgCB, "DefaultMsgCB"),
        Switch(kNet, "chat", "StartMessage", &B::StartMessageCB, "StartMessageCB"),
        Switch(kNet, "chat", "StartMsgPrivate", &B::StartMsgPrivateCB, "StartMsgPrivateCB"),
        Switch(kNet, "chat", "AutoAforizm", &B::AutoAforizmCB, "AutoAforizmCB"),
        Switch(kNet, "chat", "ShowBanned", &B::ShowBannedCB, "ShowBannedCB"),
        Switch(kNet, "chat", "Boltun", &B::BoltunCB, "BoltunCB"),
        Switch(kNet, "chat", "invisible", &B::InvisibleCB, "InvisibleCB"),
        Switch(kNet, "chat", "BirthDay", &B::BirthDayCB, "BirthDayCB"),
        Integer("Flood", &B::FloodE, "FloodE", "10"),
        Integer("AnecInterval", &B::IntervalE, "IntervalE", "40"),
        Switch(kNet, "chat", "CheckLogFileSize", &B::CheckLogFileSizeCB, "CheckLogFileSizeCB"),
        // A limit below one would clear the log at every event.
        Integer("CheckLogFileSizeE", &B::CheckLogFileSizeE, "CheckLogFileSizeE", "220000", 1,
                2147483647),
        {.section = "chat", .key = "Color", .type = SettingType::kInteger, .defaultValue = "255",
         .field = "ColorP", .member = &B::ColorP, .writer = SettingWriter::kColour},
        // others.ini. Section names match without regard to case, so a
        // file's "Pogoda" is this "pogoda".
        Switch(kOthers, "pogoda", "AutPogoda", &B::PogodaCB, "PogodaCB"),
        Text(kOthers, "pogoda", "Min", &B::MinE, "MinE", "30"),
        Text(kOthers, "pogoda", "Sec", &B::SecE, "SecE", "5"),
        Text(kOthers, "anecdot", "Min", &B::AnekMinE, "AnekMinE", "10"),
        Text(kOthers, "anecdot", "Sec", &B::AnekSekE, "AnekSekE", "10"),
        Text(kOthers, "anecdot", "Channel", &B::AnecChannelE, "AnecChannelE", "Anecdot"),
        Switch(kOthers, "anecdot", "ShowNameChan", &B::ShowNameChanCB, "ShowNameChanCB"),
        Text(kOthers, "proxy", "edUsername", &B::edUsername, "edUsername", ""),
        Text(kOthers, "proxy", "edPassword", &B::edPassword, "edPassword", ""),
        Text(kOthers, "proxy", "edProxyServer", &B::edProxyServer, "edProxyServer", ""),
        Text(kOthers, "proxy", "edProxyPort", &B::edProxyPort, "edProxyPort", ""),
        Text(kOthers, "Vic", "ChanName", &B::NameChanVicE, "NameChanVicE", "Victorina"),
        Switch(kOthers, "Vic", "ShowChanChat", &B::PocazNameChanCB, "PocazNameChanCB"),
        Switch(kOthers, "Error", "On", &B::OnErrorCB, "OnErrorCB"),
        Switch(kOthers, "Error", "ShowReport", &B::ShowErrorCB, "ShowErrorCB"),
    };
    return r;
  }();
  return rows;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsGroup(std::uint32_t address) { return (address >> 28) == 0xE; }

}  // namespace

const std::vector<SettingRow>& SettingRows() { return Rows(); }

const SettingRow& NetSetting(NetKey key) { return Rows()[static_cast<std::size_t>(key)]; }

const SettingRow& SendAddressSetting(bool multicast) {
  return NetSetting(multicast ? NetKey::kGroup : NetKey::kBroadcast);
}

const SettingRow* SettingOfField(std::string_view field) {
  for (const SettingRow& row : Rows()) {
    if (field == row.field) return &row;
  }
  return nullptr;
}

bool ParseDottedAddress(std::string_view text, std::uint32_t& address) {
  text = Trimmed(text);
  // TextToAddress gives the all-ones address for any text it cannot read.
  const std::uint32_t parsed = TextToAddress(text);
  if (parsed == 0xFFFFFFFFu && text != "255.255.255.255") return false;
  address = parsed;
  return true;
}

bool ReadSettingNumber(const SettingRow& row, std::string_view text, long long& value) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  long long read = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (row.low <= row.high && (read < row.low || read > row.high)) return false;
  value = read;
  return true;
}

bool SettingAccepts(const SettingRow& row, std::string_view text) {
  long long number = 0;
  std::uint32_t address = 0;
  switch (row.type) {
    case SettingType::kText:
      return true;
    case SettingType::kSwitch:
    case SettingType::kInteger:
      return ReadSettingNumber(row, text, number);
    case SettingType::kAddress:
      return ParseDottedAddress(text, address);
    case SettingType::kGroup:
      return ParseDottedAddress(text, address) && IsGroup(address);
    case SettingType::kBroadcast:
      return ParseDottedAddress(text, address) && address != 0 && !IsGroup(address);
  }
  return false;
}

std::string ValidValuesText(const SettingRow& row) {
  switch (row.type) {
    case SettingType::kText:
      return W("любой текст");
    case SettingType::kSwitch:
      return W("1 (включено) или 0 (выключено)");
    case SettingType::kInteger:
      if (row.low > row.high) return W("целое число");
      return W("целое число от ") + std::to_string(row.low) + W(" до ") + std::to_string(row.high);
    case SettingType::kAddress:
      return W("адрес из четырёх чисел через точку, например 192.168.0.10");
    case SettingType::kGroup:
      return W("адрес группы от 224.0.0.0 до 239.255.255.255, например 234.0.0.1");
    case SettingType::kBroadcast:
      return W("широковещательный адрес сети, например 192.168.0.255 (не 0.0.0.0 и не адрес "
               "группы 224.0.0.0–239.255.255.255)");
  }
  return {};
}

}  // namespace pelmo
