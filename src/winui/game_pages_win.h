// The pages of the games: the chatterbox grid (page 7: AQvle "Вопрос",
// "Ответ"; "&Удалить" DelAQb, "&Добавить" AddAQb, "&Save" Button1, which
// keeps the pairs after its checks: no "^" in a trigger, no line break in
// a cell) and the birthday page (11: "Пока&зать" ShowBDB) with its editor
// window BirthDayF ("Birth Day", owned by the main window, so that it never
// falls behind it). Main thread only.
#pragma once

#include <windows.h>

#include <memory>

namespace pelmo {
class Birthdays;
class Chatterbox;
class Clock;
}  // namespace pelmo

namespace pelmo::winui {

class EditableGrid;
class SettingsTab;
struct WinPlatform;

std::shared_ptr<void> BuildChatterboxPage(SettingsTab& tab, Chatterbox& chatterbox,
                                          const WinPlatform& platform);

// The birthday editor: the list BDListView ("#", "Group", "Name", "Birth
// Day"; rows of a birthday today or tomorrow selected), Add, Delete,
// Rename, Save, Exit, and the input panel BDAddPanel (NameEdit, GroupEdit,
// DayEdit, MonthEdit, YearEdit, OKAddButton, CancelAddButton). Edits
// change the table in memory at once; Save writes BirthDay.dat and checks
// again; Exit only hides the window. Delete and Rename act on the row the
// operator chose (the focused one), not on the rows the check selected.
class BirthdayEditor {
 public:
  BirthdayEditor(HWND owner, Birthdays& birthdays, const Clock& clock, const WinPlatform& platform);
  ~BirthdayEditor();
  BirthdayEditor(const BirthdayEditor&) = delete;
  BirthdayEditor& operator=(const BirthdayEditor&) = delete;

  void Show();
  HWND Window() const { return m_window; }
  void AddButtonClick();
  void RenameButtonClick();
  void DeleteButtonClick();
  void SaveButtonClick();
  // False (and the panel stays) when a field is missing or not a number,
  // or the table is full.
  bool OKAddButtonClick();
  void CancelAddButtonClick();
  // The list from the table, with the check's selection.
  void ShowRows();

 private:
  int FocusedRow() const;
  void ShowPanel(bool shown);
  void UpdateButtons();

  Birthdays& m_birthdays;
  const Clock& m_clock;
  const WinPlatform& m_platform;
  HWND m_window;
  HWND m_list;
  HWND m_panel;
  HWND m_fields[5];
  HWND m_add, m_delete, m_rename, m_save;
  bool m_editing = false;
  int m_editIndex = -1;
};

// Page 11's button, which shows the editor.
void BuildBirthdayPage(SettingsTab& tab, BirthdayEditor& editor);

}  // namespace pelmo::winui
