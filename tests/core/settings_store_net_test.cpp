// Net.ini as operators write it: the README's example, values that cannot
// be read, and a stored interface that is gone.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "core/bot_settings.h"
#include "core/settings_store.h"
#include "core/work_folder.h"
#include "fakes/netns.h"
#include "fakes/recording_log.h"
#include "fakes/temp_dir.h"
#include "transport/net.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;  // 127.0.0.1

class NetIniTest : public ::testing::Test {
 protected:
  NetIniTest() { dir.WriteFile("botfile/admin.txt", ""); }

  TempDir dir;
  WorkFolder folder{dir.Path()};
  BotSettings settings;
  NetSettings net;
  OutgoingState out;
  RecordingLog log;
  SettingsStore store{folder, settings, net, out, dir.FilePath("config"), "/opt/pelmo/pelmobot",
                      &log};
};

// The indented block that follows the LAN heading of the README, as an
// operator would copy it, with CR LF line ends.
std::string ReadmeLanExample() {
  std::ifstream file(std::string(PELMO_SOURCE_DIR) + "/README.md");
  std::string line;
  bool inSection = false;
  std::string block;
  while (std::getline(file, line)) {
    if (line.rfind("## ", 0) == 0) inSection = line == "## Putting the bot on the LAN";
    if (!inSection) continue;
    if (line.rfind("    ", 0) == 0) {
      block += line.substr(4) + "\r\n";
    } else if (!block.empty()) {
      break;
    }
  }
  return block;
}

TEST_F(NetIniTest, ReadmeLanExampleGivesTheSettingsItDescribes) {
  const std::string example = ReadmeLanExample();
  ASSERT_NE(example.find("[net]"), std::string::npos) << example;
  dir.WriteFile("Net.ini", example);
  const std::uint32_t lanAddress = 0xC0A80114;  // 192.168.1.20, as the example says
  store.LoadSettings({lanAddress});

  EXPECT_EQ(log.Texts(), std::vector<std::string>{});
  EXPECT_EQ(net.LocalAddress, lanAddress);
  EXPECT_EQ(net.Port, 50138);
  EXPECT_EQ(net.TTL, 3);
  EXPECT_TRUE(net.MulticastMode);
  EXPECT_FALSE(net.SnifferMode);
  EXPECT_TRUE(net.ReuseAddr);
  EXPECT_EQ(net.SendAddress, 0xEA000001u);  // 234.0.0.1
  EXPECT_EQ(IniFile(dir.FilePath("Net.ini")).ReadString("net", "ip", ""), "192.168.1.20");

  // Its broadcast address is the one taken in broadcast mode.
  ASSERT_TRUE(IniFile(dir.FilePath("Net.ini")).WriteBool("socket", "MultiCast", false));
  store.LoadSettings({lanAddress});
  EXPECT_EQ(log.Texts(), std::vector<std::string>{});
  EXPECT_FALSE(net.MulticastMode);
  EXPECT_EQ(net.SendAddress, 0xC0A801FFu);  // 192.168.1.255
}

// A value with a comment after it is not the number or address it must be:
// the operator is told which key and value, and what is used instead.
TEST_F(NetIniTest, UnreadableValuesAreNamedInTheLog) {
  struct Case {
    const char* file;
    std::string line;
  };
  const Case cases[] = {
      {"[net]\r\nip=192.168.1.20 ; the LAN\r\n",
       "Net.ini [net] ip=\"192.168.1.20 ; the LAN\" cannot be read as an address; "
       "127.0.0.1 (the first interface) is used."},
      {"[net]\r\nip=10.88.0.1\r\n",
       "Net.ini [net] ip=10.88.0.1 is no address of this computer; "
       "127.0.0.1 (the first interface) is used."},
      {"[net]\r\nport=50138 ; chat\r\n",
       "Net.ini [net] port=\"50138 ; chat\" cannot be read as a number; 50138 is used."},
      {"[net]\r\nttl=three\r\n",
       "Net.ini [net] ttl=\"three\" cannot be read as a number; 3 is used."},
      {"[socket]\r\nsnifermode=0 ; no capture\r\n",
       "Net.ini [socket] snifermode=\"0 ; no capture\" cannot be read as a number; 1 is used."},
      {"[socket]\r\nREUSEADDR=yes\r\n",
       "Net.ini [socket] REUSEADDR=\"yes\" cannot be read as a number; 0 is used."},
      {"[socket]\r\nMultiCast=\r\n",
       "Net.ini [socket] MultiCast=\"\" cannot be read as a number; 1 is used."},
      {"[chat]\r\nMaxMessageSize=7000 chars\r\n",
       "Net.ini [chat] MaxMessageSize=\"7000 chars\" cannot be read as a number; 7000 is used."},
      {"[chat]\r\nEnableBot=0 ; off\r\n",
       "Net.ini [chat] EnableBot=\"0 ; off\" cannot be read as a number; 1 is used."},
      {"[net]\r\nnetaddr=234.0.0.7 ; group\r\n",
       "Net.ini [net] netaddr=\"234.0.0.7 ; group\" cannot be read as an address; "
       "234.0.0.1 is used."},
      {"[net]\r\nIpBroadcast=127.0.0.255 ;\r\n[socket]\r\nMultiCast=0\r\n",
       "Net.ini [net] IpBroadcast=\"127.0.0.255 ;\" cannot be read as an address; "
       "127.255.255.255 is used."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    dir.WriteFile("Net.ini", c.file);
    log.Clear();
    store.LoadSettings({kLoopback});
    EXPECT_EQ(log.Texts(), std::vector<std::string>{c.line});
  }
  // Values that read well, and missing keys, say nothing.
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nport= 50140 \r\nttl=$10\r\n");
  log.Clear();
  store.LoadSettings({kLoopback});
  EXPECT_EQ(log.Texts(), std::vector<std::string>{});
  EXPECT_EQ(net.Port, 50140);
  EXPECT_EQ(net.TTL, 16);
}

// The operator's Net.ini, mistakes and all, is read and never rewritten:
// what is used instead is in the log, and his text stays for him to mend.
TEST_F(NetIniTest, AFileWithMistakesIsLeftAsTheOperatorWroteIt) {
  const std::string file =
      "; the chat of the second floor\r\n"
      "[net]\r\nip=10.88.0.1 ; the LAN card\r\nport=50138 ; the chat's\r\nttl=3\r\n"
      "netaddr=234.0.0.1\r\nIpBroadcast=10.88.0.255\r\n"
      "[socket]\r\nsnifermode=0\r\nREUSEADDR=1\r\nMultiCast=1\r\n"
      "[chat]\r\nMaxMessageSize=7000\r\nNick=@Pelmo_bot\r\nHost=Pelmo_bot\r\n";
  dir.WriteFile("Net.ini", file);
  store.LoadSettings({kLoopback});
  EXPECT_EQ(log.Texts(),
            (std::vector<std::string>{
                "Net.ini [net] port=\"50138 ; the chat's\" cannot be read as a number; "
                "50138 is used.",
                "Net.ini [net] ip=\"10.88.0.1 ; the LAN card\" cannot be read as an address; "
                "127.0.0.1 (the first interface) is used."}));
  EXPECT_EQ(net.LocalAddress, kLoopback);
  EXPECT_EQ(dir.ReadFile("Net.ini"), file);
}

// A stored ip that is gone gives way to the first interface; the default
// broadcast address must be that interface's, not the all-ones address
// that an address on no interface gives.
TEST_F(NetIniTest, DefaultBroadcastIsTheInterfaceInUse) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << "needs root: " << ns.Why();
  dir.WriteFile("Net.ini", "[net]\r\nip=192.0.2.9\r\n[socket]\r\nMultiCast=0\r\n");
  ns.RunIn(NetnsPair::kA, [&] { store.LoadSettings(GetInterfaces()); });
  EXPECT_EQ(net.LocalAddress, kNetnsAddressA);
  EXPECT_EQ(net.SendAddress, kNetnsBroadcast);
  EXPECT_EQ(settings.NetAddrE, "192.0.2.255");
}

}  // namespace
}  // namespace pelmo
