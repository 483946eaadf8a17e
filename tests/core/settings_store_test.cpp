#include "core/settings_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "core/autostart.h"
#include "core/bot_settings.h"
#include "core/work_folder.h"
#include "fakes/fake_clock.h"
#include "fakes/temp_dir.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;   // 127.0.0.1
constexpr std::uint32_t kLoopback2 = 0x7F000002;  // 127.0.0.2

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() { dir.WriteFile("botfile/admin.txt", ""); }

  IniFile NetIni() const { return IniFile(dir.FilePath("Net.ini")); }
  IniFile OthersIni() const { return IniFile(dir.FilePath("others.ini")); }
  std::string ConfigDir() const { return dir.FilePath("config"); }
  // Every test starts from a loopback interface and address.
  void Load(const std::vector<std::uint32_t>& interfaces = {kLoopback}) {
    store.LoadSettings(interfaces);
  }

  TempDir dir;
  WorkFolder folder{dir.Path()};
  BotSettings settings;
  NetSettings net;
  OutgoingState out;
  SettingsStore store{folder, settings, net, out, dir.FilePath("config"), "/opt/pelmo/pelmobot"};
};

TEST_F(SettingsStoreTest, MissingFilesLoadTheStoredDefaults) {
  Load();
  EXPECT_EQ(settings.NickE, "PelmoBot");
  EXPECT_EQ(net.BotNick, "PelmoBot");
  for (bool on : {settings.EnableBotCB, settings.DefaultMsgCB, settings.StartMessageCB,
                  settings.StartMsgPrivateCB, settings.AutoAforizmCB, settings.ShowBannedCB,
                  settings.BoltunCB, settings.InvisibleCB, settings.BirthDayCB,
                  settings.CheckLogFileSizeCB, settings.PogodaCB, settings.ShowNameChanCB,
                  settings.PocazNameChanCB, settings.OnErrorCB, settings.ShowErrorCB}) {
    EXPECT_TRUE(on);
  }
  EXPECT_EQ(settings.FloodE, 10);
  EXPECT_EQ(settings.IntervalE, 40);
  EXPECT_EQ(settings.ColorP, 255u);
  EXPECT_EQ(out.NickColor, 255u);
  EXPECT_EQ(settings.CheckLogFileSizeE, 220000);
  // Weather 30 min 5 s, anecdotes 10 min 10 s.
  EXPECT_EQ(settings.MinE, "30");
  EXPECT_EQ(settings.SecE, "5");
  EXPECT_EQ(settings.AnekMinE, "10");
  EXPECT_EQ(settings.AnekSekE, "10");
  EXPECT_EQ(settings.AnecChannelE, "Anecdot");
  // Network page and the group of the default multicast mode.
  EXPECT_EQ(settings.PortE, "50138");
  EXPECT_EQ(settings.MsgSizeE, "7000");
  EXPECT_TRUE(settings.MulticastModeCB);
  EXPECT_EQ(net.SendAddress, 0xEA000001u);
  EXPECT_EQ(settings.NetAddrE, "234.0.0.1");
  EXPECT_EQ(net.LocalAddress, kLoopback);
  EXPECT_EQ(settings.InterfacesCB, std::vector<std::string>{"127.0.0.1"});
  EXPECT_FALSE(settings.AutoStartCB);
  // The network load created Net.ini.
  EXPECT_EQ(NetIni().ReadString("net", "ip", ""), "127.0.0.1");
}

TEST_F(SettingsStoreTest, StoredValuesWinOverDefaults) {
  const std::string longNick(300, 'n');
  dir.WriteFile("Net.ini",
                "[net]\r\nip=127.0.0.2\r\nnetaddr=239.1.2.3\r\nIpBroadcast=127.255.255.255\r\n"
                "[socket]\r\nMultiCast=0\r\n[chat]\r\nNick=" +
                    longNick + "\r\nHost=" + W("Пельмень") +
                    "\r\nEnableBot=0\r\ninvisible=0\r\nBirthDay=0\r\nFlood=77\r\n"
                    "Color=65280\r\nCheckLogFileSizeE=1000\r\nMaxMessageSize=50\r\n");
  dir.WriteFile("others.ini",
                "[pogoda]\r\nAutPogoda=0\r\nMin=1\r\n[ANECDOT]\r\nchannel=Jokes\r\n"
                "[Vic]\r\nChanName=Quiz\r\n[Error]\r\nOn=0\r\n");
  dir.WriteFile("botfile/admin.txt", "boss#pc1\r\n");
  Load({kLoopback, kLoopback2});

  EXPECT_EQ(net.BotNick, std::string(255, 'n'));  // cut for the wire
  EXPECT_EQ(settings.NickE.size(), 300u);
  EXPECT_EQ(net.BotHost, W("Пельмень"));
  EXPECT_FALSE(settings.EnableBotCB);
  EXPECT_FALSE(settings.InvisibleCB);
  EXPECT_FALSE(settings.BirthDayCB);
  EXPECT_EQ(settings.FloodE, 77);
  EXPECT_EQ(out.NickColor, 65280u);
  EXPECT_EQ(settings.CheckLogFileSizeE, 1000);
  EXPECT_EQ(settings.MsgSizeE, "100");  // clamped by the network load
  // Broadcast mode takes "IpBroadcast", not the group.
  EXPECT_FALSE(settings.MulticastModeCB);
  EXPECT_EQ(net.SendAddress, 0x7FFFFFFFu);
  EXPECT_EQ(settings.NetAddrE, "127.255.255.255");
  EXPECT_FALSE(settings.PogodaCB);
  EXPECT_EQ(settings.MinE, "1");
  EXPECT_EQ(settings.SecE, "5");
  EXPECT_EQ(settings.AnecChannelE, "Jokes");
  EXPECT_FALSE(settings.OnErrorCB);
  EXPECT_EQ(net.LocalAddress, kLoopback2);
  EXPECT_EQ(settings.InterfacesIndex, 1);
  ASSERT_EQ(settings.ADMvle.size(), 1u);
  EXPECT_EQ(settings.ADMvle[0].CompName, "pc1");
}

TEST_F(SettingsStoreTest, VanishedInterfaceGivesWayToTheFirstListed) {
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.9\r\n");
  Load({kLoopback2, kLoopback});
  EXPECT_EQ(net.LocalAddress, kLoopback2);
  EXPECT_EQ(settings.InterfacesIndex, 0);
  EXPECT_EQ(settings.InterfacesCB, (std::vector<std::string>{"127.0.0.2", "127.0.0.1"}));

  // No interface at all: the stored address stays.
  Load({});
  EXPECT_EQ(net.LocalAddress, 0x7F000009u);
  EXPECT_EQ(settings.InterfacesIndex, -1);
}

TEST_F(SettingsStoreTest, UnreadableGroupTakesTheDefaultGroup) {
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nnetaddr=not an address\r\n");
  Load();
  EXPECT_EQ(net.SendAddress, 0xEA000001u);
  EXPECT_EQ(settings.NetAddrE, "234.0.0.1");
}

TEST_F(SettingsStoreTest, MissingBroadcastAddressOnLoopbackStaysOnLoopback) {
  // Loopback has no broadcast flag; its network's broadcast is 127.255.255.255.
  for (const char* ip : {"127.0.0.1", "127.0.0.9"}) {
    dir.WriteFile("Net.ini", std::string("[net]\r\nip=") + ip + "\r\n[socket]\r\nMultiCast=0\r\n");
    Load({});
    EXPECT_EQ(net.SendAddress, 0x7FFFFFFFu) << ip;
    EXPECT_EQ(settings.NetAddrE, "127.255.255.255") << ip;
  }
}

TEST_F(SettingsStoreTest, SaveWritesEveryKeyAndLoadReadsThemBack) {
  Load();
  settings.NickE = "bot";
  settings.HostE = "box";
  settings.NetAddrE = "239.5.5.5";
  settings.PortE = "50200";
  settings.TTLe = "7";
  settings.MsgSizeE = "150";
  settings.BoltunCB = false;
  settings.FloodE = 321;
  settings.CheckLogFileSizeE = 5000;
  settings.SecE = "9";
  settings.AnecChannelE = W("Анекдоты");
  settings.edPassword = "secret";
  settings.PocazNameChanCB = false;
  settings.ADMvle = {{"boss", "pc1"}};
  ASSERT_TRUE(store.SaveSettings());

  EXPECT_EQ(net.Port, 50200);
  EXPECT_EQ(net.MaxMessageSize, 150);
  EXPECT_EQ(net.SendAddress, 0xEF050505u);
  IniFile netIni = NetIni();
  EXPECT_EQ(netIni.ReadString("net", "port", ""), "50200");
  EXPECT_EQ(netIni.ReadString("net", "netaddr", ""), "239.5.5.5");
  EXPECT_FALSE(netIni.ValueExists("net", "IpBroadcast"));
  EXPECT_EQ(netIni.ReadString("chat", "Boltun", ""), "0");
  EXPECT_EQ(netIni.ReadString("chat", "Flood", ""), "321");
  EXPECT_FALSE(netIni.ValueExists("chat", "Color"));
  // Written as "pogoda"/"start" but the same sections as "Pogoda"/"START".
  EXPECT_EQ(OthersIni().ReadSections(),
            (std::vector<std::string>{"pogoda", "anecdot", "proxy", "Vic", "Error"}));
  EXPECT_EQ(dir.ReadFile("botfile/admin.txt"), "boss#pc1\r\n");

  BotSettings fresh;
  NetSettings freshNet;
  OutgoingState freshOut;
  SettingsStore reload(folder, fresh, freshNet, freshOut, ConfigDir(), "");
  reload.LoadSettings({kLoopback});
  EXPECT_EQ(fresh.NickE, "bot");
  EXPECT_EQ(freshNet.BotHost, "box");
  EXPECT_EQ(fresh.NetAddrE, "239.5.5.5");
  EXPECT_EQ(fresh.MsgSizeE, "150");
  EXPECT_FALSE(fresh.BoltunCB);
  EXPECT_EQ(fresh.FloodE, 321);
  EXPECT_EQ(fresh.CheckLogFileSizeE, 5000);
  EXPECT_EQ(fresh.SecE, "9");
  EXPECT_EQ(fresh.AnecChannelE, W("Анекдоты"));
  EXPECT_EQ(fresh.edPassword, "secret");
  EXPECT_FALSE(fresh.PocazNameChanCB);
  ASSERT_EQ(fresh.ADMvle.size(), 1u);
  EXPECT_EQ(fresh.ADMvle[0].Nick, "boss");
}

TEST_F(SettingsStoreTest, BroadcastModeSavesTheBroadcastKey) {
  Load();
  settings.MulticastModeCB = false;
  settings.NetAddrE = "127.255.255.255";
  ASSERT_TRUE(store.SaveSettings());
  EXPECT_FALSE(net.MulticastMode);
  EXPECT_EQ(NetIni().ReadString("net", "IpBroadcast", ""), "127.255.255.255");
  EXPECT_EQ(NetIni().ReadString("socket", "MultiCast", ""), "0");
  EXPECT_FALSE(NetIni().ValueExists("net", "netaddr"));
}

TEST_F(SettingsStoreTest, BadNetworkFieldStopsTheSaveBeforeAnythingChanges) {
  Load();
  const std::string before = dir.ReadFile("Net.ini");
  for (const char* bad : {"12.5", "", "70000", "0"}) {
    settings.PortE = bad;
    EXPECT_FALSE(store.SaveSettings()) << bad;
  }
  settings.PortE = "50138";
  settings.TTLe = "256";
  EXPECT_FALSE(store.SaveSettings());
  settings.TTLe = "3";
  settings.MsgSizeE = "7000,5";
  EXPECT_FALSE(store.SaveSettings());
  settings.MsgSizeE = "99";
  EXPECT_FALSE(store.SaveSettings());
  settings.MsgSizeE = "7000";
  settings.NetAddrE = "234.0.0";
  EXPECT_FALSE(store.SaveSettings());
  // No multicast group: the bot could not join it.
  settings.NetAddrE = "10.1.1.1";
  EXPECT_FALSE(store.SaveSettings());
  // A group is no broadcast address.
  settings.MulticastModeCB = false;
  settings.NetAddrE = "234.0.0.1";
  EXPECT_FALSE(store.SaveSettings());
  settings.MulticastModeCB = true;

  EXPECT_EQ(dir.ReadFile("Net.ini"), before);
  EXPECT_FALSE(dir.Exists("others.ini"));
  EXPECT_EQ(net.SendAddress, 0xEA000001u);
  EXPECT_EQ(net.Port, 50138);
}

TEST_F(SettingsStoreTest, UnwritableValueStopsTheSaveAndKeepsEarlierKeys) {
  Load();
  settings.PortE = "50300";
  settings.HostE = "two\r\nlines";  // a value that would break the file
  settings.FloodE = 99;
  EXPECT_FALSE(store.SaveSettings());
  EXPECT_EQ(NetIni().ReadString("net", "port", ""), "50300");
  EXPECT_EQ(NetIni().ReadString("chat", "Nick", ""), "PelmoBot");
  EXPECT_FALSE(NetIni().ValueExists("chat", "Flood"));
}

TEST_F(SettingsStoreTest, AutostartEntryExistsExactlyWhileTheSwitchIsOn) {
  Load();
  // Off twice in a row: deleting the absent entry succeeds.
  EXPECT_TRUE(store.SaveSettings());
  EXPECT_TRUE(store.SaveSettings());
  EXPECT_FALSE(AutostartEntryExists(ConfigDir()));

  settings.AutoStartCB = true;
  ASSERT_TRUE(store.SaveSettings());
  EXPECT_TRUE(AutostartEntryExists(ConfigDir()));
  settings.AutoStartCB = false;
  Load();
  EXPECT_TRUE(settings.AutoStartCB);

  settings.AutoStartCB = false;
  ASSERT_TRUE(store.SaveSettings());
  EXPECT_FALSE(AutostartEntryExists(ConfigDir()));
  Load();
  EXPECT_FALSE(settings.AutoStartCB);
}

TEST_F(SettingsStoreTest, StartCounterCountsCloses) {
  FakeClock clock;  // 06.12.2026 18:05
  store.LoadStartCounter(clock);
  EXPECT_EQ(settings.StartCount, 0);
  EXPECT_EQ(settings.LastDate, "06.12.2026");
  EXPECT_EQ(settings.LastTime, "18:05");

  clock.AdvanceDays(1);
  store.SaveStartCounter(clock);  // the first close
  EXPECT_EQ(OthersIni().ReadString("START", "CountStart", ""), "1");

  clock.AdvanceMinutes(30);
  store.LoadStartCounter(clock);  // the next run
  EXPECT_EQ(settings.StartCount, 1);
  EXPECT_EQ(settings.LastDate, "07.12.2026");
  EXPECT_EQ(settings.LastTime, "18:05");
  // This run crashes: nothing is written; the one after reads the same.
  store.LoadStartCounter(clock);
  EXPECT_EQ(settings.StartCount, 1);
  store.SaveStartCounter(clock);
  store.LoadStartCounter(clock);
  EXPECT_EQ(settings.StartCount, 2);
  EXPECT_EQ(settings.LastTime, "18:35");
}

TEST_F(SettingsStoreTest, ColourIsStoredAtOnce) {
  store.SaveColor(0x00123456);
  EXPECT_EQ(out.NickColor, 0x00123456u);
  EXPECT_EQ(settings.ColorP, 0x00123456u);
  EXPECT_EQ(NetIni().ReadInteger("chat", "Color", 0), 0x00123456);
}

}  // namespace
}  // namespace pelmo
