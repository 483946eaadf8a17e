// Birthday announcements: the table of botfile/BirthDay.dat held in memory
// from the program's start, the check that tells whose birthday is today
// and tomorrow (to a joining user, or to everybody at start and after a
// save), and the table operations of the operator's editor. Main thread
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "games/birthday_table.h"

namespace pelmo {

struct ServiceContext;
class LineLog;
class Replies;

// One row of the editor's list: "#", "Group", "Name", "Birth Day"; rows of
// a birthday today or tomorrow are selected.
struct BirthdayRow {
  int index = 0;
  std::string group;
  std::string name;
  std::string date;  // dd.mm.year
  bool selected = false;
};

// The list rows of the table, with today and tomorrow taken from now.
std::vector<BirthdayRow> BirthdayRows(const BirthdayTable& table, TDateTime now);
// The banner, the today text and the tomorrow text as one message, or none
// when nobody's birthday is today or tomorrow (the day after now's date:
// 31 December is followed by 1 January, 28 February by 29 February in
// leap years only).
std::optional<std::string> BirthdayMessage(const BirthdayTable& table, TDateTime now);

// The texts of the editor's input panel.
struct BirthdayInput {
  std::string name, group, day, month, year;
};

// What the panel's OK makes of its texts: the entry to store, or the text
// of the message box that refuses them ("Please input:\r" with the empty
// fields, else "Input correct:\r" with the numbers that do not convert;
// the group may be empty, numbers are not tested against any range). A
// day, month or year of one character gets a leading "0" first; date is
// the row's "Birth Day" text, the three joined with ".".
struct BirthdayInputCheck {
  std::optional<BirthdayEntry> entry;
  std::string refusal;
  std::string date;
};
BirthdayInputCheck CheckBirthdayInput(BirthdayInput input);

class Birthdays {
 public:
  // path: botfile/BirthDay.dat; running tells whether the bot runs (a
  // message to everybody is sent only then).
  Birthdays(std::string path, const Clock& clock, Replies& replies, LineLog& log,
            std::function<bool()> running);

  // Reads the table. A file of another size than a whole table is logged
  // and copied to BirthDay.dat.bak before the empty table that replaces
  // it in memory can be saved over it.
  void Load();
  // Writes the table (temporary file and rename; throws FileError), then
  // checks again, to everybody.
  void Save();

  // The check of a joining user: the message to that address.
  void CheckFor(std::uint32_t address);
  // The check with nobody being handled: to everybody, only while the bot
  // runs.
  void CheckForAll();

  // The editor's list as the last check left it.
  const std::vector<BirthdayRow>& Rows() const { return m_rows; }
  // The table, for the editor's add, rename and delete.
  BirthdayTable& Table() { return m_table; }
  const BirthdayTable& Table() const { return m_table; }

 private:
  // Rebuilds the rows; the message when somebody's birthday is near.
  std::optional<std::string> Check();

  std::string m_path;
  const Clock& m_clock;
  Replies& m_replies;
  LineLog& m_log;
  std::function<bool()> m_running;
  BirthdayTable m_table;
  std::vector<BirthdayRow> m_rows;
};

// Loads the table with the other lists, fills the join check's slot.
void InstallBirthdays(ServiceContext& context, Birthdays& birthdays);

}  // namespace pelmo
