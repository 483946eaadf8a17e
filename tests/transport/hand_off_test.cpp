#include "transport/hand_off.h"

#include <gtest/gtest.h>

namespace pelmo {
namespace {

// Each bound holds on its own: three datagrams, or 2 000 bytes (a
// datagram costs its payload and 256 bytes beside it), whichever is
// reached first; what is given back makes room again.
TEST(HandOff, EachBoundHoldsOnItsOwn) {
  HandOff byCount(3, 1000000);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(byCount.Take(10)) << i;
  EXPECT_FALSE(byCount.Take(10));
  byCount.Give(10);
  EXPECT_TRUE(byCount.Take(10));
  EXPECT_FALSE(byCount.Take(0));
  EXPECT_EQ(byCount.TakeDropped(), 2u);

  HandOff byBytes(1000, 2000);
  EXPECT_TRUE(byBytes.Take(1000));   // 1256
  EXPECT_TRUE(byBytes.Take(488));    // 2000: exactly full
  EXPECT_FALSE(byBytes.Take(0));     // 256 more
  byBytes.Give(488);
  EXPECT_FALSE(byBytes.Take(489));   // 2001
  EXPECT_TRUE(byBytes.Take(488));
  EXPECT_EQ(byBytes.TakeDropped(), 2u);
  EXPECT_EQ(byBytes.TakeDropped(), 0u);
}

}  // namespace
}  // namespace pelmo
