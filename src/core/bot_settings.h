// The bot's live settings: the control window's fields and check boxes,
// held under their component names. Services read them at the moment of
// use; the window binds its widgets to this record. Loaded from and saved
// to Net.ini (section "chat", "net" netaddr/IpBroadcast) and others.ini.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {

struct AdminEntry {
  std::string Nick;      // grid column "Nick"
  std::string CompName;  // grid column "Comp Name"
};

struct BotSettings {
  // Chat page (form defaults until the settings are loaded).
  std::string NickE = "@Pelmo_bot ";
  std::string HostE = "Pelmo_bot";
  long long IntervalE = 20;  // anecdote anti-flood interval, seconds
  long long FloodE = 500;    // flood limit, characters

  // General page.
  bool EnableBotCB = true;
  bool DefaultMsgCB = true;
  bool AutoStartCB = false;
  bool StartMessageCB = true;
  bool StartMsgPrivateCB = false;
  bool AutoAforizmCB = true;
  bool ShowBannedCB = true;
  bool BoltunCB = true;
  bool PogodaCB = false;
  bool InvisibleCB = false;
  bool BirthDayCB = false;
  std::uint32_t ColorP = 255;  // the bot's nick colour as shown
  bool OnErrorCB = true;
  bool ShowErrorCB = true;

  // Network page (texts as typed; the network settings hold the values).
  std::string NetAddrE = "234.0.0.1";
  std::string PortE = "50138";
  std::string TTLe = "3";
  std::string MsgSizeE = "7000";
  bool MulticastModeCB = false;
  std::vector<std::string> InterfacesCB;  // dotted local addresses
  int InterfacesIndex = -1;               // selected entry, -1 none

  // Weather pages.
  std::string MinE = "30";
  std::string SecE = "5";
  std::string edUsername;
  std::string edPassword;
  std::string edProxyServer;
  std::string edProxyPort;
  // The informer URL and the result file below botfile/ (others.ini
  // "Pogoda" "URL" and "OutputFileName"; read at start, saved at close and
  // after each download by the weather download, not by the settings page).
  std::string URLe;
  std::string OutputName = "weather.txt";

  // Anecdote page.
  std::string AnekMinE = "10";
  std::string AnekSekE = "10";
  std::string AnecChannelE = "Anecdot";
  bool ShowNameChanCB = true;

  // Quiz page.
  std::string NameChanVicE = "Victorina";
  bool PocazNameChanCB = true;

  // Log file page.
  bool CheckLogFileSizeCB = true;
  long long CheckLogFileSizeE = 220000;

  // Administrators page (grid ADMvle, at most 1000 rows are kept).
  std::vector<AdminEntry> ADMvle;

  // Start counter as read at start-up.
  long long StartCount = 0;
  std::string LastDate;
  std::string LastTime;
};

}  // namespace pelmo
