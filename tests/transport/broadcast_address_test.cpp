// Reads this machine's interfaces only; nothing is sent.
#include "transport/broadcast_address.h"

#include <gtest/gtest.h>

namespace pelmo {
namespace {

TEST(BroadcastAddress, LoopbackAndForeignAddresses) {
  // The whole 127.0.0.0/8 answers to 127.255.255.255, though the loopback
  // interface has no broadcast of its own.
  EXPECT_EQ(BroadcastAddressOf(0x7F000001), 0x7FFFFFFFu);  // 127.0.0.1
  EXPECT_EQ(BroadcastAddressOf(0x7F0102FE), 0x7FFFFFFFu);  // 127.1.2.254
  // 192.0.2.77 (a documentation address) is on no interface here.
  EXPECT_EQ(InterfaceBroadcast(0xC000024D), std::nullopt);
  EXPECT_EQ(BroadcastAddressOf(0xC000024D), 0xFFFFFFFFu);  // 255.255.255.255
}

}  // namespace
}  // namespace pelmo
