// Load and save of the settings record and the network settings: Net.ini
// (sections "chat", "net", "socket"), others.ini, botfile/admin.txt, the
// start counter, and the autostart switch (an XDG autostart entry
// <config>/autostart/pelmobot.desktop present exactly while AutoStartCB is
// on, and a copy of the switch in <config>/pelmobot/pelmobot.ini).
// Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

class Clock;
class IniFile;
class LineLog;
class WorkFolder;
struct BotSettings;
struct NetSettings;
struct OutgoingState;

class SettingsStore {
 public:
  // configDir: where the autostart entry and the switch copy go (normally
  // $XDG_CONFIG_HOME or ~/.config). programPath: written into the entry.
  // log (may be null): where a Net.ini value that cannot be read is named.
  SettingsStore(const WorkFolder& folder, BotSettings& settings,
                NetSettings& net, OutgoingState& out, std::string configDir,
                std::string programPath, LineLog* log = nullptr);

  // The settings load (start-up and "Cancel"): network keys, section
  // "chat", the group or broadcast address of the mode, others.ini, the
  // interface choice (from interfaces, dotted), the autostart switch, the
  // administrators. Sets BotNick/BotHost from the nick and host. Throws
  // FileError when admin.txt exists but cannot be read (everything else is
  // loaded by then).
  void LoadSettings(const std::vector<std::uint32_t>& interfaces);
  // The settings save ("Save"): the caller stops the bot first. Takes the
  // network page into the running network settings and writes every key.
  // Returns false (keys written before the failure stay written) when a
  // file cannot be written; returns false before taking or writing
  // anything when PortE, TTLe or MsgSizeE is not an integer in the range of
  // its setting or NetAddrE is not a dotted address.
  bool SaveSettings();
  // The component name of the first network field that SaveSettings would
  // refuse ("PortE", "TTLe", "MsgSizeE", "NetAddrE"), or "" when all are
  // sound. Lets the page check before it stops the bot.
  std::string FirstUnsoundField() const;
  // The colour button: NickColor, ColorP and "chat" "Color" at once.
  void SaveColor(std::uint32_t color);
  // others.ini "START": CountStart, LastDate, LastTime into the record.
  void LoadStartCounter(const Clock& clock);
  // others.ini "start": CountStart := StartCount + 1, today, now.
  void SaveStartCounter(const Clock& clock);

  // Sets BotNick/BotHost from NickE/HostE (cut to 255 bytes).
  void ApplyNickAndHost();

 private:
  // After the interface check: when Net.ini's "ip" could not be read, or is
  // not this computer's, the line that names the address used and why.
  void LogAddressInUse(const IniFile& netIni) const;

  const WorkFolder& m_folder;
  BotSettings& m_settings;
  NetSettings& m_net;
  OutgoingState& m_out;
  std::string m_configDir;
  std::string m_programPath;
  LineLog* m_log;
};

}  // namespace pelmo
