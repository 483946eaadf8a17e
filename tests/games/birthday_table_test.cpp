#include "games/birthday_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/cp1251.h"
#include "base/random.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

void PutInt32(std::string& block, std::size_t offset, std::int32_t value) {
  auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void PutShortString(std::string& block, std::size_t offset, const std::string& text) {
  block[offset] = static_cast<char>(text.size());
  block.replace(offset + 1, text.size(), text);
}

// A BirthDay.dat block as the editor saves it.
class Block {
 public:
  Block() : m_bytes(134148, '\0') {}
  Block& Set(int slot, const std::string& name, const std::string& group, int day,
             int month, int year) {
    std::size_t base = static_cast<std::size_t>(slot) * 524;
    PutShortString(m_bytes, base, name);
    PutShortString(m_bytes, base + 256, group);
    PutInt32(m_bytes, base + 512, day);
    PutInt32(m_bytes, base + 516, month);
    PutInt32(m_bytes, base + 520, year);
    return *this;
  }
  Block& Count(std::int32_t count) {
    PutInt32(m_bytes, 134144, count);
    return *this;
  }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

TEST(BirthdayTable, ReadsTheValidEntriesOfTheBlock) {
  Block block;
  block.Set(0, W("Вася"), W("Отдел"), 7, 3, 1990)
      .Set(1, "Ann", "", 31, 12, 1985)
      .Set(2, "Stale", "old", 6, 12, 1970)  // beyond the count: ignored
      .Count(2);
  std::vector<BirthdayEntry> table = ParseBirthdays(block.Bytes());
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].Name, W("Вася"));
  EXPECT_EQ(table[0].Group, W("Отдел"));
  EXPECT_EQ(table[0].Day, 7);
  EXPECT_EQ(table[0].Month, 3);
  EXPECT_EQ(table[0].Year, 1990);
  EXPECT_EQ(table[1].Name, "Ann");
  EXPECT_EQ(table[1].Group, "");
  EXPECT_TRUE(IsBirthdayOn(table, 31, 12));
  EXPECT_FALSE(IsBirthdayOn(table, 6, 12));
  EXPECT_FALSE(IsBirthdayOn(table, 3, 7));  // day and month not swapped
}

TEST(BirthdayTable, BadBlocksGiveAnEmptyOrBoundedTable) {
  EXPECT_TRUE(ParseBirthdays("").empty());
  Block block;
  block.Set(0, "Ann", "", 1, 1, 2000).Count(1);
  std::string shortBlock = block.Bytes().substr(0, 134147);
  EXPECT_TRUE(ParseBirthdays(shortBlock).empty());
  EXPECT_TRUE(ParseBirthdays(Block(block).Count(-5).Bytes()).empty());
  EXPECT_EQ(ParseBirthdays(Block(block).Count(100000).Bytes()).size(), 256u);
  // Longer than the block: the block is read, the rest ignored.
  EXPECT_EQ(ParseBirthdays(block.Bytes() + "junk").size(), 1u);
}

TEST(BirthdayTable, LoadsTheFileAndSwallowsAMissingOne) {
  TempDir dir;
  Block block;
  block.Set(0, "Ann", "", 1, 1, 2000).Count(1);
  dir.WriteFile("botfile/BirthDay.dat", block.Bytes());
  EXPECT_EQ(LoadBirthdays(dir.FilePath("botfile/BirthDay.dat")).size(), 1u);
  EXPECT_TRUE(LoadBirthdays(dir.FilePath("botfile/none.dat")).empty());
  dir.WriteFile("empty.dat", "");
  EXPECT_TRUE(LoadBirthdays(dir.FilePath("empty.dat")).empty());
}

TEST(BirthdayTable, TheStartCheckAndTheTableReadALongerOrShorterFileAlike) {
  TempDir dir;
  Block block;
  block.Set(0, "Ann", "", 1, 1, 2000).Set(1, "Bob", "", 2, 2, 2001).Count(2);
  const struct {
    std::string bytes;
    std::size_t entries;
    BirthdayTable::LoadResult result;
  } cases[] = {
      {block.Bytes(), 2, BirthdayTable::LoadResult::Loaded},
      // Extra bytes after the block: the block is used.
      {block.Bytes() + std::string(5000, 'x'), 2, BirthdayTable::LoadResult::Longer},
      {block.Bytes().substr(0, 134147), 0, BirthdayTable::LoadResult::WrongSize},
      {"", 0, BirthdayTable::LoadResult::Empty},
  };
  for (const auto& c : cases) {
    dir.WriteFile("botfile/BirthDay.dat", c.bytes);
    EXPECT_EQ(LoadBirthdays(dir.FilePath("botfile/BirthDay.dat")).size(), c.entries)
        << c.bytes.size();
    BirthdayTable table;
    EXPECT_EQ(table.Load(dir.FilePath("botfile/BirthDay.dat")), c.result) << c.bytes.size();
    EXPECT_EQ(table.Count(), static_cast<int>(c.entries)) << c.bytes.size();
  }
}

TEST(BirthdayTable, TodayOrTomorrowAcrossMonthAndYearEnds) {
  Block block;
  block.Set(0, "NewYear", "", 1, 1, 2000).Set(1, "Leap", "", 29, 2, 2004).Count(2);
  std::vector<BirthdayEntry> table = ParseBirthdays(block.Bytes());

  EXPECT_TRUE(BirthdayTodayOrTomorrow(table, EncodeDateTime({2026, 12, 31, 23, 59})));
  EXPECT_TRUE(BirthdayTodayOrTomorrow(table, EncodeDateTime({2027, 1, 1, 0, 0})));
  EXPECT_FALSE(BirthdayTodayOrTomorrow(table, EncodeDateTime({2027, 1, 2, 12, 0})));
  EXPECT_FALSE(BirthdayTodayOrTomorrow(table, EncodeDateTime({2026, 12, 30, 23, 0})));
  // 28 February is followed by 29 February only in a leap year.
  EXPECT_TRUE(BirthdayTodayOrTomorrow(table, EncodeDate(2028, 2, 28)));
  EXPECT_FALSE(BirthdayTodayOrTomorrow(table, EncodeDate(2027, 2, 28)));
  EXPECT_FALSE(BirthdayTodayOrTomorrow({}, EncodeDate(2027, 1, 1)));
}


constexpr std::size_t kCountOffset = 256 * 524;

// A block as another installation leaves it: every byte that no field
// defines holds something.
std::string ForeignBlock(std::int32_t count) {
  Random random(42);
  std::string block(kBirthdayFileSize, '\0');
  for (char& c : block) c = static_cast<char>(random.Next(256));
  for (std::size_t slot = 0; slot < 256; ++slot) {
    block[slot * 524] = 5;  // names and groups of five bytes
    block[slot * 524 + 256] = 3;
  }
  PutInt32(block, kCountOffset, count);
  return block;
}

BirthdayEntry Person(const std::string& name, int day, int month, int year = 1990,
                     const std::string& group = "g") {
  return BirthdayEntry{W(name), W(group), day, month, year};
}

TEST(BirthdayTable, FileOfAnotherInstallationSavesBackByteForByte) {
  TempDir dir;
  for (std::int32_t count : {3, 0, 256, 300, -1}) {
    const std::string block = ForeignBlock(count);
    dir.WriteFile("BirthDay.dat", block);
    BirthdayTable table;
    ASSERT_EQ(table.Load(dir.FilePath("BirthDay.dat")), BirthdayTable::LoadResult::Loaded);
    EXPECT_EQ(table.Count(), std::clamp(count, 0, 256)) << count;
    table.Save(dir.FilePath("copy.dat"));
    EXPECT_EQ(dir.ReadFile("copy.dat"), block) << count;
  }
}

TEST(BirthdayTable, EditsTouchOnlyTheirFields) {
  TempDir dir;
  const std::string block = ForeignBlock(3);
  dir.WriteFile("BirthDay.dat", block);
  BirthdayTable table;
  table.Load(dir.FilePath("BirthDay.dat"));
  const BirthdayEntry third = table.At(2);

  table.Set(0, Person("Ян", 7, 3));
  std::string expected = block;
  expected[0] = 2;
  expected.replace(1, 2, W("Ян"));
  expected[256] = 1;
  expected[257] = 'g';
  PutInt32(expected, 512, 7);
  PutInt32(expected, 516, 3);
  PutInt32(expected, 520, 1990);
  EXPECT_EQ(table.Block(), expected);

  // Delete moves the later slots down; the old last slot stays as it was.
  table.Delete(1);
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.At(1).Name, third.Name);
  EXPECT_EQ(table.At(1).Day, third.Day);
  EXPECT_EQ(table.Block().substr(2 * 524, 524), block.substr(2 * 524, 524));
  EXPECT_EQ(table.Block().substr(1 * 524, 524), block.substr(2 * 524, 524));
}

TEST(BirthdayTable, HoldsAtMost256AndCutsLongNames) {
  BirthdayTable table;
  for (int i = 0; i < 256; ++i) ASSERT_TRUE(table.Add(Person("p" + std::to_string(i), 1, 1)));
  const std::string full = table.Block();
  EXPECT_FALSE(table.Add(Person("лишний", 2, 2)));
  EXPECT_EQ(table.Block(), full);
  EXPECT_EQ(table.Count(), 256);

  BirthdayTable other;
  other.Add(BirthdayEntry{std::string(300, 'n'), std::string(256, 'g'), 1, 2, 3});
  EXPECT_EQ(other.At(0).Name, std::string(255, 'n'));
  EXPECT_EQ(other.At(0).Group, std::string(255, 'g'));
  EXPECT_EQ(other.At(0).Year, 3);
}

}  // namespace
}  // namespace pelmo
