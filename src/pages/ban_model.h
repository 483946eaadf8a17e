// The ban page: the lines of botfile/ban.txt as the list box ListBan shows
// them, the row the operator chose, and "До&бавить" and "Уда&лить". The
// page follows the file: Follow, called while the page is shown, reads it
// again whenever it changed (a chat "!ban", an expiry, "!refreshban", an
// editor), and the chosen row stays on its line or is cleared when the
// line is gone, never moving to a neighbour. Delete asks first and needs a
// chosen row, which it clears. What the file refuses comes back as a
// warning. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/text_file.h"
#include "pages/page_message.h"

namespace pelmo {

class BanList;

class BanModel {
 public:
  // Both must outlive the model.
  BanModel(BanList& bans, const Clock& clock);

  // What the date picker and the time field show at start-up: an hour from
  // now, to the minute, so that "Add" at once bans for an hour.
  DateTimeParts StartDate() const;
  std::string StartTime() const;

  // The list again from the file.
  void Reload();
  // Reads the file again when it changed since the last reading; true when
  // the lines (or the chosen row) changed and the list must be shown again.
  bool Follow();
  // The lines as last read (the header first); the list box shows these.
  const std::vector<std::string>& Lines() const { return m_lines; }

  // The operator chose row (-1: none; the header cannot be chosen for a
  // delete). Selected() is the row the list box must show as chosen.
  void Select(int row);
  int Selected() const { return m_selected; }
  // Delete is offered while a ban line is chosen.
  bool CanDelete() const { return m_selected > 0; }

  // Checks host, the date (year, month, day) and the time text ("hh:mm:ss",
  // the first digit may be blank), then writes host = the date in the
  // bot's short date format (dd.mm.yyyy, whatever the desktop's locale) +
  // " " + the time as hh:mm:ss, replacing the host's line, and reads the
  // list again. An empty host, a date or time that does not exist, a
  // moment not later than now (the ban would be lifted at once) or a line
  // the file refuses is a warning naming what is valid, with the focus on
  // its field; nothing is written then.
  PageResult Add(const std::string& host, int year, int month, int day, const std::string& time);
  // Asks whether the chosen line is to be deleted (a question); nothing
  // without a chosen ban line. Nothing is written yet.
  PageResult Delete();
  // The question's yes: removes the line asked about from the file,
  // wherever it stands there now, reads the list again and clears the
  // chosen row. A line gone from the file meanwhile is a warning.
  PageResult ConfirmDelete();

 private:
  // Chooses the row of line after a reading, -1 when it is gone.
  void Rechoose(const std::string& line);

  BanList& m_bans;
  const Clock& m_clock;
  std::vector<std::string> m_lines;
  int m_selected = -1;
  std::string m_asked;  // the line the delete question is about
  std::optional<FileVersion> m_version;
};

}  // namespace pelmo
