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
// The table of the file as BirthdayTable::Load reads it (the start check
// and the running bot read it the same way); a missing, unreadable or
// shorter file gives an empty table.
std::vector<BirthdayEntry> LoadBirthdays(const std::string& path);

// True when an entry has exactly this day and month.
bool IsBirthdayOn(const std::vector<BirthdayEntry>& table, int day, int month);

// The start-up check: somebody's birthday falls on the date of now or on
// the day after it.
bool BirthdayTodayOrTomorrow(const std::vector<BirthdayEntry>& table,
                             TDateTime now);

// The table as one block of kBirthdayFileSize bytes, kept whole so that a
// file written by another installation is saved back unchanged: bytes
// past a name's length, slots from the count on and a count out of range
// stay as they were until an operation touches them. Main thread only.
class BirthdayTable {
 public:
  enum class LoadResult {
    Loaded,     // the file had the block's size
    Longer,     // a longer file: its first kBirthdayFileSize bytes are loaded
    Empty,      // missing or empty (a new installation): an empty table
    WrongSize,  // shorter, or unreadable: an empty table; the file is left alone
  };

  // A zero-filled block: no entries.
  BirthdayTable();

  // Reads the file into the block: a whole block, or the first block of a
  // longer file. Anything else gives an empty table.
  LoadResult Load(const std::string& path);
  // The same for the file's contents, read already.
  LoadResult Take(std::string contents);
  // Writes the whole block through a temporary file and a rename. Throws
  // FileError; the old file then remains.
  void Save(const std::string& path) const;

  // The valid entries: the count read as 0 below 0 and as 256 above it.
  int Count() const;
  BirthdayEntry At(int index) const;  // 0 <= index < Count()
  std::vector<BirthdayEntry> Entries() const;
  bool IsBirthdayOn(int day, int month) const;

  // Stores the entry into slot Count() and counts it; false when all 256
  // slots are taken. Name and group are cut to 255 characters.
  bool Add(const BirthdayEntry& entry);
  // Rewrites entry index (0 <= index < Count()) in place.
  void Set(int index, const BirthdayEntry& entry);
  // Removes entry index (0 <= index < Count()): the later slots move down
  // by one, the count drops by one.
  void Delete(int index);

  const std::string& Block() const { return m_block; }

 private:
  void SetCount(int count);
  std::string m_block;
};

}  // namespace pelmo
