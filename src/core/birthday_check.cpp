#include "core/birthday_check.h"

#include "base/text_file.h"

namespace pelmo {

namespace {

std::int32_t ReadInt32(const std::string& block, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(block[offset + i]);
  }
  return static_cast<std::int32_t>(value);
}

// A length-prefixed string in a 256-byte field; the length byte cannot
// reach past the field.
std::string ReadShortString(const std::string& block, std::size_t offset) {
  std::size_t length = static_cast<std::uint8_t>(block[offset]);
  return block.substr(offset + 1, length);
}

}  // namespace

std::vector<BirthdayEntry> ParseBirthdays(const std::string& block) {
  std::vector<BirthdayEntry> table;
  if (block.size() < kBirthdayFileSize) return table;
  std::int32_t count = ReadInt32(block, kBirthdaySlots * kBirthdayEntrySize);
  if (count < 0) count = 0;
  if (count > static_cast<std::int32_t>(kBirthdaySlots)) count = kBirthdaySlots;
  table.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    std::size_t base = static_cast<std::size_t>(i) * kBirthdayEntrySize;
    BirthdayEntry entry;
    entry.Name = ReadShortString(block, base);
    entry.Group = ReadShortString(block, base + 256);
    entry.Day = ReadInt32(block, base + 512);
    entry.Month = ReadInt32(block, base + 516);
    entry.Year = ReadInt32(block, base + 520);
    table.push_back(std::move(entry));
  }
  return table;
}

std::vector<BirthdayEntry> LoadBirthdays(const std::string& path) {
  std::optional<std::string> block = ReadWholeFile(path);
  if (!block) return {};
  return ParseBirthdays(*block);
}

bool IsBirthdayOn(const std::vector<BirthdayEntry>& table, int day, int month) {
  for (const BirthdayEntry& entry : table) {
    if (entry.Day == day && entry.Month == month) return true;
  }
  return false;
}

bool BirthdayTodayOrTomorrow(const std::vector<BirthdayEntry>& table,
                             TDateTime now) {
  DateTimeParts today = DecodeDateTime(DateOf(now));
  if (IsBirthdayOn(table, today.day, today.month)) return true;
  DateTimeParts tomorrow = DecodeDateTime(DateOf(now) + 1);
  return IsBirthdayOn(table, tomorrow.day, tomorrow.month);
}

}  // namespace pelmo
