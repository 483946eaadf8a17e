// The ban page (settings page 5): the lines of botfile/ban.txt as the list
// box ListBan shows them, and its "До&бавить" and "Уда&лить". The list is
// read again whenever the page is shown, so bans added or expired from the
// chat show up; Delete removes the line the operator chose by its text, as
// the file now holds it, and the header line "[BanList]" cannot be chosen.
// What the file refuses comes back as a warning. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "base/date_time.h"
#include "pages/page_message.h"

namespace pelmo {

class BanList;

class BanModel {
 public:
  // Both must outlive the model.
  BanModel(BanList& bans, const Clock& clock);

  // The date picker's and the time field's values at start-up: today and
  // "00:00:00".
  DateTimeParts StartDate() const;
  static std::string StartTime() { return "00:00:00"; }

  // The list again from the file.
  void Reload();
  // The lines as last read (the header first); the list box shows these.
  const std::vector<std::string>& Lines() const { return m_lines; }
  // Delete is offered for a chosen row below the header.
  static bool CanDelete(int row) { return row > 0; }

  // Writes host = the date in the bot's short date format (dd.mm.yyyy,
  // whatever the desktop's locale) + " " + time, replacing the host's
  // line, and reads the list again. An empty host, or a line the file
  // refuses, is a warning (the list keeps what it showed); so is a date
  // that does not exist, which no date picker gives.
  PageResult Add(const std::string& host, int year, int month, int day, const std::string& time);
  // Removes the line shown at row from the file, wherever it stands there
  // now, and reads the list again. The header or no row: nothing. A line
  // that is gone from the file meanwhile is a warning.
  PageResult Delete(int row);

 private:
  BanList& m_bans;
  const Clock& m_clock;
  std::vector<std::string> m_lines;
};

}  // namespace pelmo
