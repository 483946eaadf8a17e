#include "services/box_mask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"

namespace pelmo {
namespace {

// The mask as the box format has it, written out here: the generator
// state := state * 134775813 + 1, each byte XOR-ed with the upper 32 bits
// of state * 255.
std::string Masked(std::string text, std::uint32_t seed) {
  std::uint32_t state = seed;
  for (char& c : text) {
    state = state * 134775813u + 1u;
    c = static_cast<char>(static_cast<unsigned char>(c) ^
                          static_cast<unsigned>((std::uint64_t{state} * 255u) >> 32));
  }
  return text;
}

const std::string kGreeting = W("Спасибо за регистрацию в нашей системе!");
const std::string kRecord = W("\n\r14 марта 2009 г.9:5:30 From Вася: привет");

TEST(BoxMask, MasksWithTheGeneratorsStreamFromAnySeed) {
  for (std::uint32_t seed : {0u, 1u, 0x5045'4C4Du, 0xFFFF'FFFFu, 123456789u}) {
    std::string text = kGreeting + kRecord;
    MaskBoxWith(text, text.size(), seed);
    EXPECT_EQ(text, Masked(kGreeting + kRecord, seed)) << seed;
  }
  // Only the first count bytes.
  std::string part = "abcdef";
  MaskBoxWith(part, 2, 77);
  EXPECT_EQ(part, Masked("ab", 77) + "cdef");
}

TEST(BoxMask, WhatABoxTextIs) {
  const struct {
    std::string text;
    bool box;
  } cases[] = {
      {"", true},
      {kGreeting, true},
      {kGreeting + "anything at all", true},
      {" ", true},
      {" " + kRecord, true},
      {" " + kRecord + kRecord, true},
      // Another locale's month name.
      {" \n\r3 January 2010 \xE3.12:00:01 From Bob: hi", true},
      {" \n\r", false},
      {" x", false},
      {" \n\r123 ", false},
      {" \n\r1 \xEC\xE0\xF0\xF2\xE0 09 From", false},
      {"\n\r14 x 2009 From", false},
      {kGreeting.substr(0, 20), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBoxText(c.text), c.box) << c.text;
}

TEST(BoxMask, SeedsFitTheDrawsTheyWereFoundFor) {
  const std::string draws = Masked(std::string(3, '\0'), 0xC0FFEEu);
  const std::vector<std::uint32_t> seeds = SeedsForDraws(draws);
  // About 2^32 / 255^3 of them, the one that made the draws among them.
  EXPECT_GT(seeds.size(), 100u);
  EXPECT_LT(seeds.size(), 600u);
  EXPECT_NE(std::find(seeds.begin(), seeds.end(), 0xC0FFEEu), seeds.end());
  for (std::uint32_t seed : seeds) EXPECT_EQ(Masked(std::string(3, '\0'), seed), draws);
  // A draw of 255 or more is none.
  EXPECT_TRUE(SeedsForDraws("\xFF\x01").empty());
  EXPECT_EQ(Masked(" ", ASeedForFirstDraw(200)), std::string(1, static_cast<char>(' ' ^ 200)));
}

// The search of seeds steps through the candidates in runs; against a
// plain try of every state of the first draw's range, it must find the
// same seeds, no more, no fewer, in the same order. Two draws leave tens
// of thousands, the first and last draws included.
TEST(BoxMask, TheSeedSearchFindsWhatTryingEveryStateFinds) {
  constexpr std::uint64_t kStates = std::uint64_t{1} << 32;
  for (const auto& [first, second] :
       std::vector<std::pair<unsigned, unsigned>>{{0, 254}, {254, 0}, {117, 118}, {200, 31}}) {
    std::vector<std::uint32_t> expected;
    const std::uint64_t low = (first * kStates + 254) / 255;
    const std::uint64_t high = ((first + 1) * kStates - 1) / 255;
    for (std::uint64_t state = low; state <= high; ++state) {
      const auto next = static_cast<std::uint32_t>(state) * 134775813u + 1u;
      if ((std::uint64_t{next} * 255 >> 32) == second) {
        expected.push_back(static_cast<std::uint32_t>(state));
      }
    }
    std::string draws{static_cast<char>(first), static_cast<char>(second)};
    const std::vector<std::uint32_t> seeds = SeedsForDraws(draws);
    ASSERT_EQ(seeds.size(), expected.size()) << first << " " << second;
    ASSERT_GT(seeds.size(), 60000u);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      // Each seed's first step is the state found by trying.
      ASSERT_EQ(seeds[i] * 134775813u + 1u, expected[i]) << first << " " << second << " " << i;
    }
  }
}

TEST(BoxMask, RecoversTheSeedOfAnotherInstallationsBoxes) {
  for (std::uint32_t seed : {0x1234'5678u, 0u, 0xFFFF'FFFFu, 0x5045'4C4Du}) {
    EXPECT_EQ(RecoverBoxSeeds(Masked(kGreeting, seed)), std::vector<std::uint32_t>{seed}) << seed;
    EXPECT_EQ(RecoverBoxSeeds(Masked(kGreeting + kRecord, seed)), std::vector<std::uint32_t>{seed});
    // Emptied, then a record delivered.
    EXPECT_EQ(RecoverBoxSeeds(Masked(" " + kRecord, seed)), std::vector<std::uint32_t>{seed})
        << seed;
  }
  // Not a box of any installation.
  EXPECT_TRUE(RecoverBoxSeeds("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A").empty());
  EXPECT_TRUE(RecoverBoxSeeds(Masked("Hello, this is no box text at all", 99)).empty());
}

}  // namespace
}  // namespace pelmo
