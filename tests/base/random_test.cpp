#include "base/random.h"

#include <gtest/gtest.h>

#include <vector>

#include "fakes/fake_clock.h"

namespace pelmo {
namespace {

std::vector<std::uint32_t> Draws(Random& r, std::uint32_t n, int count) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < count; ++i) out.push_back(r.Next(n));
  return out;
}

// Expected values worked out independently from
// state := state * 134775813 + 1 (mod 2^32), draw = state * n >> 32.
TEST(Random, FollowsTheLinearCongruentialSequence) {
  Random r(0);
  EXPECT_EQ(r.Next(256), 0u);
  EXPECT_EQ(r.State(), 1u);
  EXPECT_EQ(r.Next(256), 8u);
  EXPECT_EQ(r.State(), 134775814u);
  EXPECT_EQ(Draws(r, 256, 4), (std::vector<std::uint32_t>{220, 51, 69, 171}));
  EXPECT_EQ(r.State(), 2884733762u);

  Random hundred(0);
  EXPECT_EQ(Draws(hundred, 100, 6), (std::vector<std::uint32_t>{0, 3, 86, 20, 27, 67}));
  Random widest(0);
  EXPECT_EQ(Draws(widest, 0xFFFFFFFFu, 3),
            (std::vector<std::uint32_t>{0, 134775813u, 3698175006u}));
}

TEST(Random, WrapsAroundAndReseeds) {
  Random r(0xFFFFFFFFu);
  EXPECT_EQ(r.Next(1000), 968u);
  EXPECT_EQ(r.State(), 4160191484u);
  r.Seed(0);
  EXPECT_EQ(Draws(r, 256, 3), (std::vector<std::uint32_t>{0, 8, 220}));
}

TEST(Random, EdgeRanges) {
  Random r(12345);
  EXPECT_EQ(r.Next(0), 0u);
  EXPECT_NE(r.State(), 12345u);  // a draw below 0 still advances
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(r.Next(1), 0u);
    EXPECT_LT(r.Next(7), 7u);
  }
}

TEST(Random, RandomizeSeedsFromTheClock) {
  // 18:05:07.123 is 65107123 ms into the day.
  FakeClock clock(EncodeDateTime({2026, 12, 6, 18, 5, 7, 123}), 0);
  Random r;
  r.Randomize(clock);
  EXPECT_EQ(r.State(), 65107123u);
  std::uint32_t first = r.State();
  clock.AdvanceDays(1);  // same time of day, later tick
  r.Randomize(clock);
  EXPECT_NE(r.State(), first);
}

}  // namespace
}  // namespace pelmo
