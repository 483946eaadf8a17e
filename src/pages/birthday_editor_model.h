// The birthday editor TBirthDayF ("Birth Day", opened from settings page
// 11): the list BDListView of the table with the check's selection (rows
// of a birthday today or tomorrow), Add, Delete, Rename, Save and Exit,
// and the input panel BDAddPanel (name, group, day, month, year, OK,
// Cancel) that Add and Rename open over the list. Edits change the table
// in memory at once; Save writes botfile/BirthDay.dat and runs the check
// again. Delete and Rename act on the current row (the one the operator
// chose), not on the rows the check selected. The table has 256 slots:
// Add is refused when they are all taken. Main thread only.
#pragma once

#include <optional>
#include <vector>

#include "base/date_time.h"
#include "games/birthdays.h"
#include "pages/page_message.h"

namespace pelmo {

class BirthdayEditorModel {
 public:
  // Both must outlive the model.
  BirthdayEditorModel(Birthdays& birthdays, const Clock& clock)
      : m_birthdays(birthdays), m_clock(clock) {}

  // The list's rows, selected as the check selects them now.
  std::vector<BirthdayRow> Rows() const;

  // The panel is open; the list is disabled meanwhile.
  bool InputOpen() const { return m_open; }
  // Add is enabled while the panel is closed and a slot is free; Delete,
  // Rename and Save while the panel is closed.
  bool CanAdd() const;
  bool Idle() const { return !m_open; }

  // Opens the panel for a new entry; its fields keep the texts they had.
  // False (nothing opens) when the table is full.
  bool Add();
  // Opens the panel for the entry at row, and returns the texts its fields
  // get; nullopt (nothing opens) when there is no such row.
  std::optional<BirthdayInput> Rename(int row);
  // Removes the entry at row; false when there is no such row.
  bool Delete(int row);
  // Writes the table (FileError) and checks again, which may tell the chat.
  void Save();
  // OK of the panel: the texts as CheckBirthdayInput reads them. A
  // refusal, or a full table, is a warning titled "Error" and the panel
  // stays open; otherwise the entry is added (or replaces the one being
  // renamed) and the panel closes.
  PageResult Accept(const BirthdayInput& input);
  // Cancel of the panel: it closes, nothing changes.
  void CancelInput();

 private:
  Birthdays& m_birthdays;
  const Clock& m_clock;
  bool m_open = false;
  int m_renaming = -1;  // the entry the panel renames, -1 for a new one
};

}  // namespace pelmo
