// Every setting the bot keeps in its INI files, one row each: the file,
// section and key, the type, the default a missing or unreadable value
// takes, the values it may hold, and the page field and record member that
// show it. The settings store loads and saves by these rows, the network
// settings are read and written by them, the settings form refuses a text
// by them (saying what is valid), and the folder check reads a folder by
// them. A new setting is a new row here, its member in BotSettings and,
// when the operator edits it, its field on a page (page_defs.cpp); file
// formats and spellings are those existing folders hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/bot_settings.h"

namespace pelmo {

enum class SettingFile { kNetIni, kOthersIni };

enum class SettingType {
  kText,       // any text
  kSwitch,     // "1" or "0", read as a number, non-zero meaning on
  kInteger,    // a whole number, low to high when a range is given
  kAddress,    // a dotted IPv4 address
  kGroup,      // a multicast group, 224.0.0.0 to 239.255.255.255
  kBroadcast,  // a broadcast address: dotted, neither 0.0.0.0 nor a group
};

// Who writes the row.
enum class SettingWriter {
  kSettingsSave,  // the settings page's save, from the record member
  kNetwork,       // the network settings' save (NetSave), from the running settings
  kAddressOfMode, // the settings save, from NetAddrE, only the row of the mode
  kColour,        // the colour button, at once
};

using SettingMember = std::variant<std::monostate, std::string BotSettings::*,
                                   bool BotSettings::*, long long BotSettings::*,
                                   std::uint32_t BotSettings::*>;

struct SettingRow {
  SettingFile file = SettingFile::kNetIni;
  const char* section = "";
  const char* key = "";
  SettingType type = SettingType::kText;
  // What a missing or unreadable value loads as ("" for a text: empty; the
  // rows of "ip" and "IpBroadcast" have none of their own: the first local
  // address and its broadcast address).
  const char* defaultValue = "";
  // kInteger: the values the page accepts; the load clamps to them when
  // clamped is set. low > high: any whole number.
  long long low = 1;
  long long high = 0;
  bool clamped = false;
  // The page field that shows it ("" none) and the record member that
  // field shows. The settings load fills and the save writes the member
  // of a kSettingsSave or kColour row; the network rows' values are held
  // by the running network settings, their members are the page's texts.
  const char* field = "";
  SettingMember member{};
  SettingWriter writer = SettingWriter::kSettingsSave;
};

// In the order the save writes them.
const std::vector<SettingRow>& SettingRows();

// The rows the network settings and the programs read by name.
enum class NetKey { kIp, kPort, kTtl, kSniffer, kReuse, kMulticast, kMaxMessageSize, kGroup, kBroadcast };
const SettingRow& NetSetting(NetKey key);
// The row of the group or broadcast address of a mode ("netaddr" or
// "IpBroadcast").
const SettingRow& SendAddressSetting(bool multicast);

// The row of a page field (by component name), null when no row has it.
const SettingRow* SettingOfField(std::string_view field);

// A dotted IPv4 address between blanks, host order.
bool ParseDottedAddress(std::string_view text, std::uint32_t& address);
// The value of an integer row's text: a whole number within its range.
bool ReadSettingNumber(const SettingRow& row, std::string_view text, long long& value);
// True when text is a value the row may hold (a text row: always).
bool SettingAccepts(const SettingRow& row, std::string_view text);
// What the row may hold, said to the operator (Windows-1251): "целое число
// от 1 до 65535", "адрес группы от 224.0.0.0 до 239.255.255.255".
std::string ValidValuesText(const SettingRow& row);

}  // namespace pelmo
