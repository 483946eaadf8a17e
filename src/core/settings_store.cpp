#include "core/settings_store.h"

#include <string_view>
#include <variant>

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "base/text_file.h"
#include "core/admins.h"
#include "core/autostart.h"
#include "core/bot_settings.h"
#include "core/net_settings_file.h"
#include "core/settings_table.h"
#include "core/work_folder.h"
#include "transport/broadcast_address.h"
#include "transport/net.h"
#include "transport/outgoing_state.h"

namespace pelmo {

namespace {

constexpr std::size_t kShortString = 255;

IniFile& FileOf(const SettingRow& row, IniFile& netIni, IniFile& others) {
  return row.file == SettingFile::kNetIni ? netIni : others;
}

// Loads a row with a record member: a text as written, a number or switch
// read as a number (the default when missing or unreadable; an unreadable
// switch of Net.ini is named in the log).
void LoadRow(const SettingRow& row, const IniFile& ini, BotSettings& s, LineLog* log) {
  if (const auto* text = std::get_if<std::string BotSettings::*>(&row.member)) {
    s.**text = ini.ReadString(row.section, row.key, row.defaultValue);
    return;
  }
  const long long fallback = std::stoll(row.defaultValue);
  if (const auto* flag = std::get_if<bool BotSettings::*>(&row.member)) {
    if (row.file == SettingFile::kNetIni && ini.IntegerUnreadable(row.section, row.key)) {
      LogUnreadableValue(log, row.section, row.key, ini.ReadString(row.section, row.key, ""),
                         "a number", row.defaultValue);
    }
    s.**flag = ini.ReadBool(row.section, row.key, fallback != 0);
  } else if (const auto* number = std::get_if<long long BotSettings::*>(&row.member)) {
    s.**number = ini.ReadInteger(row.section, row.key, fallback);
  } else if (const auto* colour = std::get_if<std::uint32_t BotSettings::*>(&row.member)) {
    s.**colour = static_cast<std::uint32_t>(ini.ReadInteger(row.section, row.key, fallback));
  }
}

bool SaveRow(const SettingRow& row, IniFile& ini, const BotSettings& s) {
  if (const auto* text = std::get_if<std::string BotSettings::*>(&row.member)) {
    return ini.WriteString(row.section, row.key, s.**text);
  }
  if (const auto* flag = std::get_if<bool BotSettings::*>(&row.member)) {
    return ini.WriteBool(row.section, row.key, s.**flag);
  }
  if (const auto* number = std::get_if<long long BotSettings::*>(&row.member)) {
    return ini.WriteInteger(row.section, row.key, s.**number);
  }
  return true;
}

// The text of a network field as its setting reads it; false when the
// setting does not take it.
bool ReadNetworkNumber(NetKey key, const std::string& text, long long& value) {
  return ReadSettingNumber(NetSetting(key), text, value);
}

}  // namespace

SettingsStore::SettingsStore(const WorkFolder& folder, BotSettings& settings, NetSettings& net,
                             OutgoingState& out, std::string configDir, std::string programPath,
                             LineLog* log)
    : m_folder(folder),
      m_settings(settings),
      m_net(net),
      m_out(out),
      m_configDir(std::move(configDir)),
      m_programPath(std::move(programPath)),
      m_log(log) {}

void SettingsStore::ApplyNickAndHost() {
  m_net.BotNick = m_settings.NickE.substr(0, kShortString);
  m_net.BotHost = m_settings.HostE.substr(0, kShortString);
}

void SettingsStore::LoadSettings(const std::vector<std::uint32_t>& interfaces) {
  IniFile netIni(m_folder.NetIni());
  BotSettings& s = m_settings;

  // Network keys, shown on the network page.
  NetLoad(netIni, m_net, interfaces.empty() ? GetLocalAddress() : interfaces.front(),
          m_log);
  s.PortE = std::to_string(m_net.Port);
  s.TTLe = std::to_string(m_net.TTL);
  s.MsgSizeE = std::to_string(m_net.MaxMessageSize);
  s.MulticastModeCB = m_net.MulticastMode;

  // Section "chat" and others.ini.
  IniFile others(m_folder.OthersIni());
  for (const SettingRow& row : SettingRows()) {
    if (row.writer == SettingWriter::kSettingsSave || row.writer == SettingWriter::kColour) {
      LoadRow(row, FileOf(row, netIni, others), s, m_log);
    }
  }
  ApplyNickAndHost();
  m_out.NickColor = s.ColorP;

  // The interface list; a stored address that is not listed any more gives
  // way to the first listed one.
  s.InterfacesCB.clear();
  for (std::uint32_t address : interfaces) s.InterfacesCB.push_back(AddressToText(address));
  s.InterfacesIndex = -1;
  const std::string local = AddressToText(m_net.LocalAddress);
  for (std::size_t i = 0; i < s.InterfacesCB.size(); ++i) {
    if (s.InterfacesCB[i] == local) s.InterfacesIndex = static_cast<int>(i);
  }
  if (s.InterfacesIndex < 0 && !interfaces.empty()) {
    m_net.LocalAddress = interfaces.front();
    s.InterfacesIndex = 0;
  }
  LogAddressInUse(netIni);

  // The group or broadcast address of the mode. A missing or unreadable
  // value takes a real group, or the broadcast address of the interface
  // the bot will use (known only after the interface check above).
  const SettingRow& addressRow = SendAddressSetting(s.MulticastModeCB);
  const std::string stored = StoredSendAddress(netIni, s.MulticastModeCB);
  std::uint32_t sendAddress = 0;
  if (!ParseDottedAddress(stored, sendAddress)) {
    sendAddress = s.MulticastModeCB ? TextToAddress(addressRow.defaultValue)
                                    : BroadcastAddressOf(m_net.LocalAddress);
    if (netIni.ValueExists(addressRow.section, addressRow.key)) {
      LogUnreadableValue(m_log, addressRow.section, addressRow.key, stored, "an address",
                         AddressToText(sendAddress));
    }
  }
  m_net.SendAddress = sendAddress;
  s.NetAddrE = AddressToText(sendAddress);

  s.AutoStartCB = AutostartEntryExists(m_configDir);
  s.ADMvle = LoadAdmins(m_folder.BotFile("admin.txt"));
}

void SettingsStore::LogAddressInUse(const IniFile& netIni) const {
  // A missing "ip" is the first interface, as the operator may expect.
  const SettingRow& ip = NetSetting(NetKey::kIp);
  if (m_log == nullptr || !netIni.ValueExists(ip.section, ip.key)) return;
  const std::string stored = netIni.ReadString(ip.section, ip.key, "");
  const std::string used = AddressToText(m_net.LocalAddress);
  const bool isFirst = m_settings.InterfacesIndex == 0;
  std::uint32_t address = 0;
  if (!ParseDottedAddress(stored, address)) {
    LogUnreadableValue(m_log, ip.section, ip.key, stored, "an address",
                       isFirst ? used + " (the first interface)" : used);
  } else if (address != m_net.LocalAddress) {
    m_log->LogLine("Net.ini [net] ip=" + stored + " is no address of this computer; " + used +
                   (isFirst ? " (the first interface)" : "") + " is used.");
  }
}

std::string SettingsStore::FirstUnsoundField() const {
  const BotSettings& s = m_settings;
  for (NetKey key : {NetKey::kPort, NetKey::kTtl, NetKey::kMaxMessageSize}) {
    const SettingRow& row = NetSetting(key);
    if (!SettingAccepts(row, s.*std::get<std::string BotSettings::*>(row.member))) return row.field;
  }
  const SettingRow& address = SendAddressSetting(s.MulticastModeCB);
  if (!SettingAccepts(address, s.NetAddrE)) return address.field;
  return "";
}

bool SettingsStore::SaveSettings() {
  BotSettings& s = m_settings;

  // The network page first, all fields checked before any is taken.
  if (!FirstUnsoundField().empty()) return false;
  long long port = 0, ttl = 0, maxMessageSize = 0;
  std::uint32_t sendAddress = 0;
  ReadNetworkNumber(NetKey::kPort, s.PortE, port);
  ReadNetworkNumber(NetKey::kTtl, s.TTLe, ttl);
  ReadNetworkNumber(NetKey::kMaxMessageSize, s.MsgSizeE, maxMessageSize);
  ParseDottedAddress(s.NetAddrE, sendAddress);
  m_net.SendAddress = sendAddress;
  m_net.Port = static_cast<std::uint16_t>(port);
  m_net.TTL = static_cast<std::uint8_t>(ttl);
  m_net.MulticastMode = s.MulticastModeCB;
  m_net.MaxMessageSize = static_cast<std::uint16_t>(maxMessageSize);
  IniFile netIni(m_folder.NetIni());
  NetSave(netIni, m_net);

  // Every row the save writes, in the table's order; of the two address
  // rows the one of the mode.
  IniFile others(m_folder.OthersIni());
  const SettingRow& address = SendAddressSetting(s.MulticastModeCB);
  for (const SettingRow& row : SettingRows()) {
    bool written = true;
    if (row.writer == SettingWriter::kSettingsSave) {
      written = SaveRow(row, FileOf(row, netIni, others), s);
    } else if (&row == &address) {
      written = netIni.WriteString(row.section, row.key, s.NetAddrE);
    }
    if (!written) return false;
  }

  // The copy of the switch goes with the entry, not at every close: it is
  // never read, and a bot without a window would otherwise rewrite the
  // user's configuration each time it stops.
  const bool autostartWritten =
      (s.AutoStartCB ? WriteAutostartEntry(m_configDir, m_programPath, m_folder.Dir())
                     : RemoveAutostartEntry(m_configDir)) &&
      WriteAutostartSwitchCopy(m_configDir, s.AutoStartCB);
  if (!autostartWritten) return false;

  try {
    SaveAdmins(m_folder.BotFile("admin.txt"), s.ADMvle);
  } catch (const FileError&) {
    return false;
  }
  return true;
}

void SettingsStore::SaveColor(std::uint32_t color) {
  m_out.NickColor = color;
  m_settings.ColorP = color;
  const SettingRow* row = SettingOfField("ColorP");
  IniFile(m_folder.NetIni()).WriteInteger(row->section, row->key, color);
}

void SettingsStore::LoadStartCounter(const Clock& clock) {
  IniFile others(m_folder.OthersIni());
  const TDateTime now = clock.Now();
  m_settings.StartCount = others.ReadInteger("START", "CountStart", 0);
  m_settings.LastDate = others.ReadString("START", "LastDate", DateToStr(now));
  m_settings.LastTime = others.ReadString("START", "LastTime", TimeToStr(now));
}

void SettingsStore::SaveStartCounter(const Clock& clock) {
  IniFile others(m_folder.OthersIni());
  const TDateTime now = clock.Now();
  others.WriteInteger("start", "CountStart", m_settings.StartCount + 1);
  others.WriteString("start", "LastDate", DateToStr(now));
  others.WriteString("start", "LastTime", TimeToStr(now));
}

}  // namespace pelmo
