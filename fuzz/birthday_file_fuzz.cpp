// libFuzzer target for botfile/BirthDay.dat. An input shorter than the
// file is laid over a zeroed block of the file's size from its second byte
// on, and its first byte gives the entry count at the block's end: up to
// 16 (every slot is read the same way, and 256 of them cost time), 254 for
// -1 and 255 for 1000, which the reader takes as 0 and 256. A longer
// input is taken as the whole file. The start-up check's
// reader and the table must see the same entries; the list rows, the
// message and the table's edits must hold together.
#include <cstdint>
#include <cstring>
#include <string>

#include "games/birthday_table.h"
#include "fuzz_support.h"
#include "games/birthdays.h"

namespace {

using namespace pelmo;

// One block for every input: the file's size is large enough that a fresh
// one each time would cost more than the reading.
const std::string& Block(const std::uint8_t* data, std::size_t size) {
  static std::string block;
  if (size >= kBirthdayFileSize) {
    block.assign(reinterpret_cast<const char*>(data), size);
    return block;
  }
  block.assign(kBirthdayFileSize, '\0');
  if (size == 0) return block;
  const std::int32_t count = data[0] == 254 ? -1 : data[0] == 255 ? 1000 : data[0] % 17;
  for (int i = 0; i < 4; ++i) {
    block[kBirthdayFileSize - 4 + static_cast<std::size_t>(i)] =
        static_cast<char>(static_cast<std::uint32_t>(count) >> (8 * i));
  }
  std::memcpy(&block[0], data + 1, size - 1);
  return block;
}

bool SameEntries(const std::vector<BirthdayEntry>& a, const std::vector<BirthdayEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].Name != b[i].Name || a[i].Group != b[i].Group || a[i].Day != b[i].Day ||
        a[i].Month != b[i].Month || a[i].Year != b[i].Year) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2 * kBirthdayFileSize) return 0;
  const std::string& block = Block(data, size);
  // A longer file gives its first block.
  const bool longer = block.size() > kBirthdayFileSize;
  const std::vector<BirthdayEntry> parsed =
      ParseBirthdays(longer ? block.substr(0, kBirthdayFileSize) : block);
  if (parsed.size() > kBirthdaySlots) __builtin_trap();
  const TDateTime now = fuzz::FixedClock().Now();
  const bool soon = BirthdayTodayOrTomorrow(parsed, now);

  // The whole-file road goes through the disk; the compact one hands the
  // contents over (a file of this size costs more to write than to read).
  static BirthdayTable table;
  BirthdayTable::LoadResult loaded;
  if (size >= kBirthdayFileSize) {
    const std::string path = fuzz::ScratchDir() + "/BirthDay.dat";
    fuzz::WriteBytes(path, block);
    loaded = table.Load(path);
  } else {
    loaded = table.Take(block);
  }
  if (loaded != (longer ? BirthdayTable::LoadResult::Longer : BirthdayTable::LoadResult::Loaded)) {
    __builtin_trap();
  }
  const std::vector<BirthdayEntry> entries = table.Entries();
  if (!SameEntries(entries, parsed)) __builtin_trap();
  if (BirthdayRows(table, now).size() != parsed.size()) __builtin_trap();
  if (BirthdayMessage(table, now).has_value() != soon) __builtin_trap();

  // Edits keep the block readable by the start-up check.
  if (table.Count() > 0) {
    BirthdayEntry first = table.At(0);
    table.Delete(0);
    if (table.Count() != static_cast<int>(parsed.size()) - 1) __builtin_trap();
    first.Name += "x";
    if (!table.Add(first)) __builtin_trap();
    if (table.At(table.Count() - 1).Name != first.Name.substr(0, 255)) __builtin_trap();
    if (ParseBirthdays(table.Block()).size() != parsed.size()) __builtin_trap();
  }
  return 0;
}
