#include "core/command_table.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"

namespace pelmo {
namespace {

CommandRow Row(CommandPlace place, std::vector<std::string> aliases, std::size_t k) {
  CommandRow row;
  row.place = place;
  row.aliases = std::move(aliases);
  row.k = k;
  return row;
}

struct Match {
  bool matched = false;
  std::string alias;
  std::string argument;
};

Match Try(const CommandRow& row, const std::string& command) {
  Match m;
  m.matched = CommandTable::Matches(row, command, m.alias, m.argument);
  return m;
}

TEST(CommandTable, ExactNeedsTheWholeText) {
  CommandRow row = Row(CommandPlace::Help, {"help", W("помощь")}, CommandRow::kExact);
  EXPECT_TRUE(Try(row, "help").matched);
  EXPECT_TRUE(Try(row, W("помощь")).matched);
  EXPECT_FALSE(Try(row, "help ").matched);
  EXPECT_FALSE(Try(row, "hel").matched);
  EXPECT_FALSE(Try(row, "Help").matched);  // byte-exact, no case folding
  EXPECT_FALSE(Try(row, "HELP").matched);
  EXPECT_FALSE(Try(row, "").matched);
}

TEST(CommandTable, FirstKGivesTheRestAsArgument) {
  CommandRow row = Row(CommandPlace::Ban, {"ban ", W("ифт ")}, 4);
  Match m = Try(row, "ban PC7=31.12.2026 23:59:00");
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.alias, "ban ");
  EXPECT_EQ(m.argument, "PC7=31.12.2026 23:59:00");
  m = Try(row, W("ифт PC9"));
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.argument, "PC9");
  // The alias itself with nothing after it: an empty argument.
  m = Try(row, "ban ");
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.argument, "");
  EXPECT_FALSE(Try(row, "ban").matched);
  EXPECT_FALSE(Try(row, "banlist").matched);
}

TEST(CommandTable, KLargerThanAliasMatchesTheWholeTextOnly) {
  // "t_unfix" has 7 characters, "т_анфикс" 8, and the test takes 8.
  CommandRow row = Row(CommandPlace::TopicUnlock, {"t_unfix", W("т_анфикс")}, 8);
  EXPECT_TRUE(Try(row, "t_unfix").matched);
  EXPECT_FALSE(Try(row, "t_unfix now").matched);
  EXPECT_FALSE(Try(row, "t_unfixx").matched);
  Match m = Try(row, W("т_анфикс сейчас"));
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.argument, W(" сейчас"));
}

TEST(CommandTable, AliasLengthTakesEachAliasOwnLength) {
  CommandRow row = Row(CommandPlace::Me, {W("я "), "me "}, CommandRow::kAliasLength);
  Match m = Try(row, W("я улыбается"));
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.alias, W("я "));
  EXPECT_EQ(m.argument, W("улыбается"));
  m = Try(row, "me smiles");
  ASSERT_TRUE(m.matched);
  EXPECT_EQ(m.alias, "me ");
  EXPECT_EQ(m.argument, "smiles");
  EXPECT_FALSE(Try(row, W("я")).matched);
  EXPECT_FALSE(Try(row, "mex").matched);
}

TEST(CommandTable, RowsAreKeptInPlaceOrder) {
  CommandTable table;
  table.Add(Row(CommandPlace::TopicChange, {"t "}, 2));
  table.Add(Row(CommandPlace::Ban, {"ban "}, 4));
  table.Add(Row(CommandPlace::Help, {"help"}, CommandRow::kExact));
  table.Add(Row(CommandPlace::Help, {"second"}, CommandRow::kExact));
  table.Add(Row(CommandPlace::Register, {"reg "}, 4));
  std::vector<std::string> first;
  for (const CommandRow& row : table.Rows()) first.push_back(row.aliases.front());
  EXPECT_EQ(first, (std::vector<std::string>{"ban ", "reg ", "help", "second", "t "}));
}

}  // namespace
}  // namespace pelmo
