#include "core/net_settings_file.h"

#include <gtest/gtest.h>

#include "base/ini_file.h"
#include "fakes/temp_dir.h"
#include "transport/net.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

class NetSettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  IniFile ini{dir.FilePath("Net.ini")};
  NetSettings settings;
};

TEST_F(NetSettingsTest, MissingFileIsCreatedWithTheDefaults) {
  settings.SendAddress = 0xEA000001;  // 234.0.0.1, set by the settings page
  NetLoad(ini, settings, kLoopback);

  EXPECT_EQ(settings.LocalAddress, kLoopback);
  EXPECT_EQ(settings.Port, 50138);
  EXPECT_EQ(settings.TTL, 3);
  EXPECT_TRUE(settings.SnifferMode);
  EXPECT_FALSE(settings.ReuseAddr);
  EXPECT_TRUE(settings.MulticastMode);
  EXPECT_EQ(settings.MaxMessageSize, 7000);
  EXPECT_EQ(settings.SendAddress, 0xEA000001u);  // not NetLoad's to change

  ASSERT_TRUE(dir.Exists("Net.ini"));
  EXPECT_EQ(ini.ReadString("net", "ip", ""), "127.0.0.1");
  EXPECT_EQ(ini.ReadString("net", "port", ""), "50138");
  EXPECT_EQ(ini.ReadString("net", "ttl", ""), "3");
  EXPECT_EQ(ini.ReadString("socket", "snifermode", ""), "1");
  EXPECT_EQ(ini.ReadString("socket", "REUSEADDR", ""), "0");
  EXPECT_EQ(ini.ReadString("socket", "MultiCast", ""), "1");
  EXPECT_EQ(ini.ReadString("chat", "MaxMessageSize", ""), "7000");
  EXPECT_FALSE(ini.ValueExists("net", "netaddr"));
}

TEST_F(NetSettingsTest, StoredValuesAreReadAndOthersKept) {
  dir.WriteFile("Net.ini",
                "[net]\r\nip=192.168.1.20\r\nport=40123\r\nttl=1\r\nnetaddr=234.0.0.1\r\n"
                "[socket]\r\nsnifermode=0\r\nREUSEADDR=1\r\nMultiCast=0\r\n"
                "[chat]\r\nMaxMessageSize=500\r\nNick=Bot\r\n");
  NetLoad(ini, settings, kLoopback);
  EXPECT_EQ(settings.LocalAddress, 0xC0A80114u);
  EXPECT_EQ(settings.Port, 40123);
  EXPECT_EQ(settings.TTL, 1);
  EXPECT_FALSE(settings.SnifferMode);
  EXPECT_TRUE(settings.ReuseAddr);
  EXPECT_FALSE(settings.MulticastMode);
  EXPECT_EQ(settings.MaxMessageSize, 500);
  EXPECT_EQ(ini.ReadString("net", "netaddr", ""), "234.0.0.1");
  EXPECT_EQ(ini.ReadString("chat", "Nick", ""), "Bot");
}

TEST_F(NetSettingsTest, OutOfRangeValuesAreClampedAndWrittenBack) {
  dir.WriteFile("Net.ini", "[net]\r\nttl=300\r\n[chat]\r\nMaxMessageSize=50\r\n");
  NetLoad(ini, settings, kLoopback);
  EXPECT_EQ(settings.TTL, 255);
  EXPECT_EQ(settings.MaxMessageSize, 100);
  EXPECT_EQ(ini.ReadString("net", "ttl", ""), "255");
  EXPECT_EQ(ini.ReadString("chat", "MaxMessageSize", ""), "100");

  dir.WriteFile("Net.ini", "[net]\r\nttl=-5\r\n[chat]\r\nMaxMessageSize=70000\r\n");
  NetLoad(ini, settings, kLoopback);
  EXPECT_EQ(settings.TTL, 0);
  EXPECT_EQ(settings.MaxMessageSize, 64000);
  EXPECT_EQ(ini.ReadString("net", "ttl", ""), "0");
  EXPECT_EQ(ini.ReadString("chat", "MaxMessageSize", ""), "64000");
}

TEST_F(NetSettingsTest, GarbageAddressBecomesAllOnes) {
  dir.WriteFile("Net.ini", "[net]\r\nip=my computer\r\n");
  NetLoad(ini, settings, kLoopback);
  EXPECT_EQ(settings.LocalAddress, 0xFFFFFFFFu);
  // Not written over: the operator's text stays for him to mend.
  EXPECT_EQ(ini.ReadString("net", "ip", ""), "my computer");
}

TEST_F(NetSettingsTest, SaveWritesMemoryWithoutClamping) {
  settings.LocalAddress = 0x0A000005;
  settings.Port = 1234;
  settings.TTL = 7;
  settings.SnifferMode = false;
  settings.ReuseAddr = true;
  settings.MulticastMode = false;
  settings.MaxMessageSize = 65000;  // the page saves without clamping
  NetSave(ini, settings);
  EXPECT_EQ(ini.ReadString("net", "ip", ""), "10.0.0.5");
  EXPECT_EQ(ini.ReadString("net", "port", ""), "1234");
  EXPECT_EQ(ini.ReadString("net", "ttl", ""), "7");
  EXPECT_EQ(ini.ReadString("socket", "snifermode", ""), "0");
  EXPECT_EQ(ini.ReadString("socket", "REUSEADDR", ""), "1");
  EXPECT_EQ(ini.ReadString("socket", "MultiCast", ""), "0");
  EXPECT_EQ(ini.ReadString("chat", "MaxMessageSize", ""), "65000");
}

TEST(NetAddress, DottedTextBothWays) {
  EXPECT_EQ(TextToAddress("192.168.1.20"), 0xC0A80114u);
  EXPECT_EQ(TextToAddress("0.0.0.0"), 0u);
  EXPECT_EQ(TextToAddress("234.0.0.1"), 0xEA000001u);
  EXPECT_EQ(AddressToText(0xC0A80114u), "192.168.1.20");
  EXPECT_EQ(AddressToText(0), "0.0.0.0");
  EXPECT_EQ(AddressToText(0xFFFFFE01u), "255.255.254.1");
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4x", "a.b.c.d", "1..2.3",
                          "1.2.3.", "-1.2.3.4", "1234.1.1.1"}) {
    EXPECT_EQ(TextToAddress(bad), 0xFFFFFFFFu) << bad;
  }
}

TEST(NetAddress, InterfacesListLoopbackLast) {
  // Reads this machine's addresses; nothing is sent.
  const std::vector<std::uint32_t> interfaces = GetInterfaces();
  ASSERT_FALSE(interfaces.empty());
  EXPECT_EQ(interfaces.back() >> 24, 127u);
  bool seenLoopback = false;
  for (std::uint32_t address : interfaces) {
    if (address >> 24 == 127)
      seenLoopback = true;
    else
      EXPECT_FALSE(seenLoopback) << AddressToText(address) << " after a loopback address";
  }
  EXPECT_EQ(GetLocalAddress(), interfaces.front());
}

}  // namespace
}  // namespace pelmo
