// Net.ini and others.ini as the users' folders have them. The files are
// read back as plain text and compared with the section and key names
// spelt out here, so that a key misspelt on saving cannot hide behind a
// load that reads it through the same misspelling; and a folder written by
// another installation, in that spelling, is read into the settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/bot_settings.h"
#include "core/settings_store.h"
#include "core/work_folder.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;   // 127.0.0.1
constexpr std::uint32_t kLoopback2 = 0x7F000002;  // 127.0.0.2

// "Пельмень" and "Анекдоты" in Windows-1251.
const std::string kPelmen = "\xCF\xE5\xEB\xFC\xEC\xE5\xED\xFC";
const std::string kJokes = "\xC0\xED\xE5\xEA\xE4\xEE\xF2\xFB";

// One section of a file as written: its header without the brackets and
// its "key=value" lines in file order.
using TextSection = std::pair<std::string, std::vector<std::string>>;

// The file's sections in file order, names exactly as spelt. Fails the
// test when a line does not end in CR LF.
std::vector<TextSection> ReadSections(const std::string& text) {
  std::vector<TextSection> sections;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    EXPECT_NE(end, std::string::npos) << "last line without a line end";
    if (end == std::string::npos) break;
    EXPECT_TRUE(end > start && text[end - 1] == '\r')
        << "line without CR: " << text.substr(start, end - start);
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
    } else {
      EXPECT_FALSE(sections.empty()) << "line before any section: " << line;
      if (!sections.empty()) sections.back().second.push_back(line);
    }
  }
  return sections;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The file holds exactly these sections, each once, with exactly these
// key=value lines (in any order within a section).
void ExpectSections(const std::string& file, const std::string& text,
                    const std::vector<TextSection>& expected) {
  const std::vector<TextSection> written = ReadSections(text);
  std::vector<std::string> writtenNames, expectedNames;
  for (const TextSection& section : written) writtenNames.push_back(section.first);
  for (const TextSection& section : expected) expectedNames.push_back(section.first);
  EXPECT_EQ(Sorted(writtenNames), Sorted(expectedNames)) << file << "\n" << text;
  for (const TextSection& want : expected) {
    const auto found = std::find_if(written.begin(), written.end(),
                                    [&](const TextSection& s) { return s.first == want.first; });
    if (found == written.end()) continue;  // reported above
    EXPECT_EQ(Sorted(found->second), Sorted(want.second)) << file << " [" << want.first << "]";
  }
}

class SettingsFilesTest : public ::testing::Test {
 protected:
  SettingsFilesTest() { dir.WriteFile("botfile/admin.txt", ""); }

  TempDir dir;
  WorkFolder folder{dir.Path()};
  FakeClock clock;  // 06.12.2026 18:05:07
  BotSettings settings;
  NetSettings net;
  OutgoingState out;
  SettingsStore store{folder, settings, net, out, dir.FilePath("config"), "/opt/pelmo/pelmobot"};
};

TEST_F(SettingsFilesTest, SaveWritesTheKeysAsUsersFilesSpellThem) {
  store.LoadSettings({kLoopback});
  store.LoadStartCounter(clock);

  // The network page.
  settings.NetAddrE = "239.1.2.3";
  settings.PortE = "50200";
  settings.TTLe = "7";
  settings.MsgSizeE = "4000";
  settings.MulticastModeCB = true;
  // The chat section, switches mixed so that two keys swapped show.
  settings.NickE = "Pelmen";
  settings.HostE = kPelmen;
  settings.EnableBotCB = true;
  settings.DefaultMsgCB = false;
  settings.StartMessageCB = true;
  settings.StartMsgPrivateCB = false;
  settings.AutoAforizmCB = false;
  settings.ShowBannedCB = true;
  settings.BoltunCB = false;
  settings.InvisibleCB = true;
  settings.BirthDayCB = false;
  settings.FloodE = 123;
  settings.IntervalE = 45;
  settings.CheckLogFileSizeCB = false;
  settings.CheckLogFileSizeE = 99999;
  // others.ini.
  settings.PogodaCB = false;
  settings.MinE = "31";
  settings.SecE = "6";
  settings.AnekMinE = "11";
  settings.AnekSekE = "12";
  settings.AnecChannelE = kJokes;
  settings.ShowNameChanCB = false;
  settings.edUsername = "user";
  settings.edPassword = "secret";
  settings.edProxyServer = "proxy.lan";
  settings.edProxyPort = "3128";
  settings.NameChanVicE = "Quiz";
  settings.PocazNameChanCB = false;
  settings.OnErrorCB = false;
  settings.ShowErrorCB = true;
  settings.StartCount = 41;

  ASSERT_TRUE(store.SaveSettings());
  store.SaveColor(0x00FF00);
  store.SaveStartCounter(clock);

  ExpectSections("Net.ini", dir.ReadFile("Net.ini"),
                 {{"net", {"ip=127.0.0.1", "port=50200", "ttl=7", "netaddr=239.1.2.3"}},
                  {"socket", {"snifermode=1", "REUSEADDR=0", "MultiCast=1"}},
                  {"chat",
                   {"MaxMessageSize=4000", "Nick=Pelmen", "Host=" + kPelmen, "EnableBot=1",
                    "DefaultMsg=0", "StartMessage=1", "StartMsgPrivate=0", "AutoAforizm=0",
                    "ShowBanned=1", "Boltun=0", "invisible=1", "BirthDay=0", "Flood=123",
                    "AnecInterval=45", "CheckLogFileSize=0", "CheckLogFileSizeE=99999",
                    "Color=65280"}}});
  // The saver spells "pogoda" and "start" (the loader "Pogoda" and "START").
  ExpectSections("others.ini", dir.ReadFile("others.ini"),
                 {{"pogoda", {"AutPogoda=0", "Min=31", "Sec=6"}},
                  {"anecdot", {"Min=11", "Sec=12", "Channel=" + kJokes, "ShowNameChan=0"}},
                  {"proxy",
                   {"edUsername=user", "edPassword=secret", "edProxyServer=proxy.lan",
                    "edProxyPort=3128"}},
                  {"Vic", {"ChanName=Quiz", "ShowChanChat=0"}},
                  {"Error", {"On=0", "ShowReport=1"}},
                  {"start", {"CountStart=42", "LastDate=06.12.2026", "LastTime=18:05"}}});
}

TEST_F(SettingsFilesTest, FolderOfAnotherInstallationIsReadIntoTheSettings) {
  dir.WriteFile("Net.ini",
                "[net]\r\nip=127.0.0.2\r\nport=50200\r\nttl=7\r\nnetaddr=239.1.2.3\r\n"
                "IpBroadcast=127.255.255.255\r\n"
                "[socket]\r\nsnifermode=0\r\nREUSEADDR=1\r\nMultiCast=0\r\n"
                "[chat]\r\nMaxMessageSize=4000\r\nNick=Pelmen\r\nHost=" +
                    kPelmen +
                    "\r\nEnableBot=0\r\nDefaultMsg=0\r\nStartMessage=1\r\n"
                    "StartMsgPrivate=0\r\nAutoAforizm=0\r\nShowBanned=1\r\nBoltun=0\r\n"
                    "invisible=0\r\nBirthDay=0\r\nFlood=123\r\nAnecInterval=45\r\n"
                    "Color=65280\r\nCheckLogFileSize=0\r\nCheckLogFileSizeE=99999\r\n");
  dir.WriteFile("others.ini",
                "[Pogoda]\r\nAutPogoda=0\r\nMin=31\r\nSec=6\r\n"
                "[anecdot]\r\nMin=11\r\nSec=12\r\nChannel=" +
                    kJokes +
                    "\r\nShowNameChan=0\r\n"
                    "[proxy]\r\nedUsername=user\r\nedPassword=secret\r\n"
                    "edProxyServer=proxy.lan\r\nedProxyPort=3128\r\n"
                    "[Vic]\r\nChanName=Quiz\r\nShowChanChat=0\r\n"
                    "[Error]\r\nOn=0\r\nShowReport=0\r\n"
                    "[START]\r\nCountStart=41\r\nLastDate=01.02.2026\r\nLastTime=09:30\r\n");
  store.LoadSettings({kLoopback, kLoopback2});
  store.LoadStartCounter(clock);

  // [net] and [socket]
  EXPECT_EQ(net.LocalAddress, kLoopback2);
  EXPECT_EQ(net.Port, 50200);
  EXPECT_EQ(net.TTL, 7);
  EXPECT_FALSE(net.SnifferMode);
  EXPECT_TRUE(net.ReuseAddr);
  EXPECT_FALSE(net.MulticastMode);
  EXPECT_EQ(settings.NetAddrE, "127.255.255.255");  // broadcast mode's key
  // [chat]
  EXPECT_EQ(net.MaxMessageSize, 4000);
  EXPECT_EQ(settings.NickE, "Pelmen");
  EXPECT_EQ(net.BotHost, kPelmen);
  EXPECT_FALSE(settings.EnableBotCB);
  EXPECT_FALSE(settings.DefaultMsgCB);
  EXPECT_FALSE(settings.StartMsgPrivateCB);
  EXPECT_FALSE(settings.AutoAforizmCB);
  EXPECT_FALSE(settings.BoltunCB);
  EXPECT_FALSE(settings.InvisibleCB);
  EXPECT_FALSE(settings.BirthDayCB);
  EXPECT_EQ(settings.FloodE, 123);
  EXPECT_EQ(settings.IntervalE, 45);
  EXPECT_EQ(settings.ColorP, 65280u);
  EXPECT_FALSE(settings.CheckLogFileSizeCB);
  EXPECT_EQ(settings.CheckLogFileSizeE, 99999);
  // others.ini
  EXPECT_FALSE(settings.PogodaCB);
  EXPECT_EQ(settings.MinE, "31");
  EXPECT_EQ(settings.SecE, "6");
  EXPECT_EQ(settings.AnekMinE, "11");
  EXPECT_EQ(settings.AnekSekE, "12");
  EXPECT_EQ(settings.AnecChannelE, kJokes);
  EXPECT_FALSE(settings.ShowNameChanCB);
  EXPECT_EQ(settings.edUsername, "user");
  EXPECT_EQ(settings.edPassword, "secret");
  EXPECT_EQ(settings.edProxyServer, "proxy.lan");
  EXPECT_EQ(settings.edProxyPort, "3128");
  EXPECT_EQ(settings.NameChanVicE, "Quiz");
  EXPECT_FALSE(settings.PocazNameChanCB);
  EXPECT_FALSE(settings.OnErrorCB);
  EXPECT_FALSE(settings.ShowErrorCB);
  EXPECT_EQ(settings.StartCount, 41);
  EXPECT_EQ(settings.LastDate, "01.02.2026");
  EXPECT_EQ(settings.LastTime, "09:30");
}

}  // namespace
}  // namespace pelmo
