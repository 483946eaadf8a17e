#include "core/roster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cp1251.h"

namespace pelmo {
namespace {

std::vector<std::string> Texts(const Roster& roster) {
  std::vector<std::string> texts;
  for (const RosterEntry& entry : roster.Entries()) texts.push_back(entry.text);
  return texts;
}

TEST(Roster, KeepsEntriesSortedByBytesAndUnique) {
  Roster roster;
  EXPECT_TRUE(roster.Add("bob (pc2)", 0x7F000002));
  EXPECT_TRUE(roster.Add(W("Вася (pc3)"), 0x7F000003));
  EXPECT_TRUE(roster.Add("Zed (pc4)", 0x7F000004));
  EXPECT_TRUE(roster.Add("alice (pc1)", 0x7F000001));
  // The same text again is refused and keeps the first address.
  EXPECT_FALSE(roster.Add("bob (pc2)", 0x7F000009));

  // Capitals before small letters, Cyrillic (bytes above 0x7F) last.
  EXPECT_EQ(Texts(roster),
            (std::vector<std::string>{"Zed (pc4)", "alice (pc1)", "bob (pc2)", W("Вася (pc3)")}));
  EXPECT_EQ(roster.Count(), 4u);
  EXPECT_EQ(roster.Entries()[2].address, 0x7F000002u);
}

TEST(Roster, RemovesOnlyExactTexts) {
  Roster roster;
  roster.Add("alice (pc1)", 1);
  roster.Add("bob (pc2)", 2);
  EXPECT_FALSE(roster.Remove("Alice (pc1)"));
  EXPECT_FALSE(roster.Remove("alice (pc"));
  EXPECT_TRUE(roster.Remove("alice (pc1)"));
  EXPECT_FALSE(roster.Contains("alice (pc1)"));
  EXPECT_TRUE(roster.Contains("bob (pc2)"));
  EXPECT_FALSE(roster.Remove("alice (pc1)"));

  roster.Clear();
  EXPECT_EQ(roster.Count(), 0u);
  EXPECT_TRUE(roster.Add("bob (pc2)", 3));
}

TEST(Roster, StopsGrowingAtItsLimit) {
  Roster roster;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_TRUE(roster.Add("u" + std::to_string(i) + " (pc)", 1));
  }
  EXPECT_FALSE(roster.Add("newcomer (pc)", 2));
  EXPECT_EQ(roster.Count(), 10000u);
  EXPECT_FALSE(roster.Contains("newcomer (pc)"));
  // A place freed by a leave can be taken again.
  EXPECT_TRUE(roster.Remove("u7 (pc)"));
  EXPECT_TRUE(roster.Add("newcomer (pc)", 2));
}

}  // namespace
}  // namespace pelmo
