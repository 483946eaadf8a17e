#include "core/settings_store.h"

#include <charconv>

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "base/text_file.h"
#include "core/admins.h"
#include "core/autostart.h"
#include "core/bot_settings.h"
#include "core/work_folder.h"
#include "transport/broadcast_address.h"
#include "transport/net.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {

namespace {

constexpr std::size_t kShortString = 255;
constexpr std::uint32_t kDefaultGroup = 0xEA000001;      // 234.0.0.1

// A whole decimal integer, blanks around it allowed, as the page's number
// fields must hold one.
bool ParseInteger(std::string_view text, long long& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseInRange(std::string_view text, long long low, long long high, long long& value) {
  return ParseInteger(text, value) && value >= low && value <= high;
}

// A dotted IPv4 address, host order.
bool ParseAddress(std::string_view text, std::uint32_t& address) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  // TextToAddress gives the all-ones address for any text it cannot read.
  const std::uint32_t parsed = TextToAddress(text);
  if (parsed == 0xFFFFFFFFu && text != "255.255.255.255") return false;
  address = parsed;
  return true;
}

// The nine switches of section "chat" in the order the save writes them;
// each is on when missing.
struct ChatSwitch {
  const char* key;
  bool BotSettings::*field;
};
constexpr ChatSwitch kChatSwitches[] = {
    {"EnableBot", &BotSettings::EnableBotCB},
    {"DefaultMsg", &BotSettings::DefaultMsgCB},
    {"StartMessage", &BotSettings::StartMessageCB},
    {"StartMsgPrivate", &BotSettings::StartMsgPrivateCB},
    {"AutoAforizm", &BotSettings::AutoAforizmCB},
    {"ShowBanned", &BotSettings::ShowBannedCB},
    {"Boltun", &BotSettings::BoltunCB},
    {"invisible", &BotSettings::InvisibleCB},
    {"BirthDay", &BotSettings::BirthDayCB},
};

// The keys of others.ini the settings page loads and saves, in the order
// the save writes them: a text with its default, or a switch (on when
// missing). Section names match without regard to case, so a file's
// "Pogoda" is this "pogoda".
struct OthersKey {
  const char* section;
  const char* key;
  std::string BotSettings::*text;  // null for a switch
  const char* defaultText;
  bool BotSettings::*flag;  // null for a text
};
constexpr OthersKey kOthersKeys[] = {
    {"pogoda", "AutPogoda", nullptr, nullptr, &BotSettings::PogodaCB},
    {"pogoda", "Min", &BotSettings::MinE, "30", nullptr},
    {"pogoda", "Sec", &BotSettings::SecE, "5", nullptr},
    {"anecdot", "Min", &BotSettings::AnekMinE, "10", nullptr},
    {"anecdot", "Sec", &BotSettings::AnekSekE, "10", nullptr},
    {"anecdot", "Channel", &BotSettings::AnecChannelE, "Anecdot", nullptr},
    {"anecdot", "ShowNameChan", nullptr, nullptr, &BotSettings::ShowNameChanCB},
    {"proxy", "edUsername", &BotSettings::edUsername, "", nullptr},
    {"proxy", "edPassword", &BotSettings::edPassword, "", nullptr},
    {"proxy", "edProxyServer", &BotSettings::edProxyServer, "", nullptr},
    {"proxy", "edProxyPort", &BotSettings::edProxyPort, "", nullptr},
    {"Vic", "ChanName", &BotSettings::NameChanVicE, "Victorina", nullptr},
    {"Vic", "ShowChanChat", nullptr, nullptr, &BotSettings::PocazNameChanCB},
    {"Error", "On", nullptr, nullptr, &BotSettings::OnErrorCB},
    {"Error", "ShowReport", nullptr, nullptr, &BotSettings::ShowErrorCB},
};

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
  NetLoad(netIni, m_net, m_out, interfaces.empty() ? GetLocalAddress() : interfaces.front(),
          m_log);
  s.PortE = std::to_string(m_net.Port);
  s.TTLe = std::to_string(m_net.TTL);
  s.MsgSizeE = std::to_string(m_net.MaxMessageSize);
  s.MulticastModeCB = m_net.MulticastMode;

  // Section "chat".
  s.NickE = netIni.ReadString("chat", "Nick", "PelmoBot");
  s.HostE = netIni.ReadString("chat", "Host", "PelmoBot");
  ApplyNickAndHost();
  for (const ChatSwitch& entry : kChatSwitches) {
    if (netIni.IntegerUnreadable("chat", entry.key)) {
      LogUnreadableValue(m_log, "chat", entry.key, netIni.ReadString("chat", entry.key, ""),
                         "a number", "1");
    }
    s.*entry.field = netIni.ReadBool("chat", entry.key, true);
  }
  s.FloodE = netIni.ReadInteger("chat", "Flood", 10);
  s.IntervalE = netIni.ReadInteger("chat", "AnecInterval", 40);
  s.ColorP = static_cast<std::uint32_t>(netIni.ReadInteger("chat", "Color", 255));
  m_out.NickColor = s.ColorP;
  s.CheckLogFileSizeCB = netIni.ReadBool("chat", "CheckLogFileSize", true);
  s.CheckLogFileSizeE = netIni.ReadInteger("chat", "CheckLogFileSizeE", 220000);

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
  const char* addressKey = s.MulticastModeCB ? "netaddr" : "IpBroadcast";
  const std::string stored = netIni.ReadString("net", addressKey, "");
  std::uint32_t sendAddress = 0;
  if (!ParseAddress(stored, sendAddress)) {
    sendAddress = s.MulticastModeCB ? kDefaultGroup : BroadcastAddressOf(m_net.LocalAddress);
    if (netIni.ValueExists("net", addressKey)) {
      LogUnreadableValue(m_log, "net", addressKey, stored, "an address",
                         AddressToText(sendAddress));
    }
  }
  m_net.SendAddress = sendAddress;
  m_out.OutAddress = sendAddress;
  s.NetAddrE = AddressToText(sendAddress);

  LoadOthers();

  s.AutoStartCB = AutostartEntryExists(m_configDir);
  s.ADMvle = LoadAdmins(m_folder.BotFile("admin.txt"));
}

void SettingsStore::LogAddressInUse(const IniFile& netIni) const {
  // A missing "ip" is the first interface, as the operator may expect.
  if (m_log == nullptr || !netIni.ValueExists("net", "ip")) return;
  const std::string stored = netIni.ReadString("net", "ip", "");
  const std::string used = AddressToText(m_net.LocalAddress);
  const bool isFirst = m_settings.InterfacesIndex == 0;
  std::uint32_t address = 0;
  if (!ParseAddress(stored, address)) {
    LogUnreadableValue(m_log, "net", "ip", stored, "an address",
                       isFirst ? used + " (the first interface)" : used);
  } else if (address != m_net.LocalAddress) {
    m_log->LogLine("Net.ini [net] ip=" + stored + " is no address of this computer; " + used +
                   (isFirst ? " (the first interface)" : "") + " is used.");
  }
}

void SettingsStore::LoadOthers() {
  IniFile others(m_folder.OthersIni());
  for (const OthersKey& entry : kOthersKeys) {
    if (entry.text != nullptr) {
      m_settings.*entry.text = others.ReadString(entry.section, entry.key, entry.defaultText);
    } else {
      m_settings.*entry.flag = others.ReadBool(entry.section, entry.key, true);
    }
  }
}

std::string SettingsStore::FirstUnsoundField() const {
  const BotSettings& s = m_settings;
  long long value = 0;
  std::uint32_t address = 0;
  if (!ParseInRange(s.PortE, 0, 0xFFFF, value)) return "PortE";
  if (!ParseInRange(s.TTLe, 0, 0xFF, value)) return "TTLe";
  if (!ParseInRange(s.MsgSizeE, 0, 0xFFFF, value)) return "MsgSizeE";
  if (!ParseAddress(s.NetAddrE, address)) return "NetAddrE";
  return "";
}

bool SettingsStore::SaveSettings() {
  BotSettings& s = m_settings;

  // The network page first, all fields checked before any is taken.
  if (!FirstUnsoundField().empty()) return false;
  long long port = 0, ttl = 0, maxMessageSize = 0;
  std::uint32_t sendAddress = 0;
  ParseInRange(s.PortE, 0, 0xFFFF, port);
  ParseInRange(s.TTLe, 0, 0xFF, ttl);
  ParseInRange(s.MsgSizeE, 0, 0xFFFF, maxMessageSize);
  ParseAddress(s.NetAddrE, sendAddress);
  m_net.SendAddress = sendAddress;
  m_net.Port = static_cast<std::uint16_t>(port);
  m_net.TTL = static_cast<std::uint8_t>(ttl);
  m_net.MulticastMode = s.MulticastModeCB;
  m_net.MaxMessageSize = static_cast<std::uint16_t>(maxMessageSize);
  m_out.OutAddress = sendAddress;
  IniFile netIni(m_folder.NetIni());
  NetSave(netIni, m_net);

  bool chatWritten =
      netIni.WriteString("chat", "Nick", s.NickE) && netIni.WriteString("chat", "Host", s.HostE) &&
      netIni.WriteString("net", s.MulticastModeCB ? "netaddr" : "IpBroadcast", s.NetAddrE);
  for (const ChatSwitch& entry : kChatSwitches) {
    chatWritten = chatWritten && netIni.WriteBool("chat", entry.key, s.*entry.field);
  }
  chatWritten = chatWritten && netIni.WriteInteger("chat", "Flood", s.FloodE) &&
                netIni.WriteInteger("chat", "AnecInterval", s.IntervalE) &&
                netIni.WriteBool("chat", "CheckLogFileSize", s.CheckLogFileSizeCB) &&
                netIni.WriteInteger("chat", "CheckLogFileSizeE", s.CheckLogFileSizeE);
  if (!chatWritten || !SaveOthers()) return false;

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

bool SettingsStore::SaveOthers() {
  IniFile others(m_folder.OthersIni());
  for (const OthersKey& entry : kOthersKeys) {
    const bool written = entry.text != nullptr
                             ? others.WriteString(entry.section, entry.key, m_settings.*entry.text)
                             : others.WriteBool(entry.section, entry.key, m_settings.*entry.flag);
    if (!written) return false;
  }
  return true;
}

void SettingsStore::SaveColor(std::uint32_t color) {
  m_out.NickColor = color;
  m_settings.ColorP = color;
  IniFile(m_folder.NetIni()).WriteInteger("chat", "Color", color);
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
