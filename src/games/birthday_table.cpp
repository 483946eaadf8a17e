#include "games/birthday_table.h"

#include <algorithm>

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

BirthdayEntry EntryAt(const std::string& block, std::size_t index) {
  const std::size_t base = index * kBirthdayEntrySize;
  BirthdayEntry entry;
  entry.Name = ReadShortString(block, base);
  entry.Group = ReadShortString(block, base + 256);
  entry.Day = ReadInt32(block, base + 512);
  entry.Month = ReadInt32(block, base + 516);
  entry.Year = ReadInt32(block, base + 520);
  return entry;
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
    table.push_back(EntryAt(block, static_cast<std::size_t>(i)));
  }
  return table;
}

std::vector<BirthdayEntry> LoadBirthdays(const std::string& path) {
  BirthdayTable table;
  table.Load(path);
  return table.Entries();
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

namespace pelmo {

namespace {

constexpr std::size_t kCountOffset = kBirthdaySlots * kBirthdayEntrySize;

void WriteInt32(std::string& block, std::size_t offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) {
    block[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  }
}

// Only the length byte and the characters are written; the rest of the
// field keeps what it held, as the record's string assignment does.
void WriteShortString(std::string& block, std::size_t offset, const std::string& text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 255);
  block[offset] = static_cast<char>(length);
  block.replace(offset + 1, length, text, 0, length);
}

void WriteEntry(std::string& block, int index, const BirthdayEntry& entry) {
  const std::size_t base = static_cast<std::size_t>(index) * kBirthdayEntrySize;
  WriteShortString(block, base, entry.Name);
  WriteShortString(block, base + 256, entry.Group);
  WriteInt32(block, base + 512, entry.Day);
  WriteInt32(block, base + 516, entry.Month);
  WriteInt32(block, base + 520, entry.Year);
}

}  // namespace

BirthdayTable::BirthdayTable() : m_block(kBirthdayFileSize, '\0') {}

BirthdayTable::LoadResult BirthdayTable::Load(const std::string& path) {
  // A little more than a block is read, so that a longer file is told
  // from a whole one.
  std::string contents;
  if (!ReadFilePart(path, 0, kBirthdayFileSize + 1, contents)) {
    m_block.assign(kBirthdayFileSize, '\0');
    return FileSize(path) > 0 ? LoadResult::WrongSize : LoadResult::Empty;
  }
  return Take(std::move(contents));
}

BirthdayTable::LoadResult BirthdayTable::Take(std::string contents) {
  if (contents.size() >= kBirthdayFileSize) {
    const bool longer = contents.size() > kBirthdayFileSize;
    contents.resize(kBirthdayFileSize);
    m_block = std::move(contents);
    return longer ? LoadResult::Longer : LoadResult::Loaded;
  }
  m_block.assign(kBirthdayFileSize, '\0');
  return contents.empty() ? LoadResult::Empty : LoadResult::WrongSize;
}

void BirthdayTable::Save(const std::string& path) const { RewriteFile(path, m_block); }

int BirthdayTable::Count() const {
  std::int32_t count = ReadInt32(m_block, kCountOffset);
  if (count < 0) return 0;
  if (count > static_cast<std::int32_t>(kBirthdaySlots)) return kBirthdaySlots;
  return count;
}

BirthdayEntry BirthdayTable::At(int index) const {
  return EntryAt(m_block, static_cast<std::size_t>(index));
}

std::vector<BirthdayEntry> BirthdayTable::Entries() const { return ParseBirthdays(m_block); }

bool BirthdayTable::IsBirthdayOn(int day, int month) const {
  for (int i = 0; i < Count(); ++i) {
    const std::size_t base = static_cast<std::size_t>(i) * kBirthdayEntrySize;
    if (ReadInt32(m_block, base + 512) == day && ReadInt32(m_block, base + 516) == month) {
      return true;
    }
  }
  return false;
}

bool BirthdayTable::Add(const BirthdayEntry& entry) {
  const int count = Count();
  if (count >= static_cast<int>(kBirthdaySlots)) return false;
  WriteEntry(m_block, count, entry);
  SetCount(count + 1);
  return true;
}

void BirthdayTable::Set(int index, const BirthdayEntry& entry) {
  if (index < 0 || index >= Count()) return;
  WriteEntry(m_block, index, entry);
}

void BirthdayTable::Delete(int index) {
  const int count = Count();
  if (index < 0 || index >= count) return;
  const std::size_t from = static_cast<std::size_t>(index + 1) * kBirthdayEntrySize;
  const std::size_t to = static_cast<std::size_t>(index) * kBirthdayEntrySize;
  const std::size_t length = static_cast<std::size_t>(count - index - 1) * kBirthdayEntrySize;
  m_block.replace(to, length, m_block, from, length);
  SetCount(count - 1);
}

void BirthdayTable::SetCount(int count) {
  WriteInt32(m_block, kCountOffset, static_cast<std::int32_t>(count));
}

}  // namespace pelmo
