// The birthday table as botfile/BirthDay.dat stores it, read for the
// start-up check: started with a parameter, the program runs only when
// somebody has a birthday today or tomorrow.
//
// File layout (134148 bytes, little-endian): 256 entries of 524 bytes
// (name: length byte + 255 bytes; group: the same; day, month, year:
// signed 32-bit), then the entry count, signed 32-bit. Entries from the
// count on are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace pelmo {

struct BirthdayEntry {
  std::string Name;   // Windows-1251
  std::string Group;  // Windows-1251
  std::int32_t Day = 0;
  std::int32_t Month = 0;
  std::int32_t Year = 0;
};

inline constexpr std::size_t kBirthdaySlots = 256;
inline constexpr std::size_t kBirthdayEntrySize = 524;
inline constexpr std::size_t kBirthdayFileSize =
    kBirthdaySlots * kBirthdayEntrySize + 4;

// The valid entries (the first Count slots) of the block. A block shorter
// than kBirthdayFileSize gives an empty table; a count below 0 reads as 0
// and one above 256 as 256. Bytes past the block are ignored.
std::vector<BirthdayEntry> ParseBirthdays(const std::string& block);
// The table of the file; a missing or unreadable file gives an empty table.
std::vector<BirthdayEntry> LoadBirthdays(const std::string& path);

// True when an entry has exactly this day and month.
bool IsBirthdayOn(const std::vector<BirthdayEntry>& table, int day, int month);

// The start-up check: somebody's birthday falls on the date of now or on
// the day after it.
bool BirthdayTodayOrTomorrow(const std::vector<BirthdayEntry>& table,
                             TDateTime now);

}  // namespace pelmo
