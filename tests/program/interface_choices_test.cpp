// The network page's choices and the multicast join of a start are two
// lists: in a namespace holding 192.0.2.1 and loopback, a loopback ip
// offers both addresses but joins on loopback only.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fakes/netns.h"
#include "fakes/temp_dir.h"
#include "program/program.h"

namespace pelmo {
namespace {

constexpr std::uint32_t kLoopback1 = 0x7F000001;  // 127.0.0.1
constexpr std::uint32_t kLoopback9 = 0x7F000009;  // 127.0.0.9

TEST(InterfaceChoices, EveryAddressOfTheMachineWhateverIpSays) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << ns.Why();
  TempDir dir;
  struct Case {
    const char* ip;
    std::vector<std::uint32_t> choices;
  };
  const Case cases[] = {
      {"127.0.0.1", {kNetnsAddressA, kLoopback1}},
      // A loopback address no interface holds stays a choice, last.
      {"127.0.0.9", {kNetnsAddressA, kLoopback1, kLoopback9}},
      {"192.0.2.1", {kNetnsAddressA, kLoopback1}},
      {"10.1.2.3", {kNetnsAddressA, kLoopback1}},
      {"", {kNetnsAddressA, kLoopback1}},
  };
  for (const Case& c : cases) {
    dir.WriteFile("Net.ini", std::string("[net]\r\nip=") + c.ip + "\r\n");
    std::vector<std::uint32_t> choices;
    ns.RunIn(NetnsPair::kA, [&] { choices = InterfaceChoices(dir.Path()); });
    EXPECT_EQ(choices, c.choices) << c.ip;
  }
}

TEST(InterfaceChoices, ALoopbackAddressJoinsOnItselfOnly) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << ns.Why();
  std::vector<std::uint32_t> onLoopback, onLan;
  ns.RunIn(NetnsPair::kA, [&] {
    onLoopback = JoinInterfaces(kLoopback9);
    onLan = JoinInterfaces(kNetnsAddressA);
  });
  EXPECT_EQ(onLoopback, std::vector<std::uint32_t>{kLoopback9});
  EXPECT_EQ(onLan, (std::vector<std::uint32_t>{kNetnsAddressA, kLoopback1}));
}

}  // namespace
}  // namespace pelmo
