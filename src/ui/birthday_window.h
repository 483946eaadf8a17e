// The birthday editor TBirthDayF ("Birth Day"), opened by "Пока&зать" on
// settings page 11: the list BDListView ("#", "Group", "Name", "Birth
// Day"; rows of a birthday today or tomorrow selected), the buttons Add,
// Delete, Rename, Save and Exit, and the input panel BDAddPanel (NameEdit,
// GroupEdit, DayEdit, MonthEdit, YearEdit, OK, Cancel) that the mouse can
// drag. Edits change the table in memory at once; Save writes
// BirthDay.dat and runs the check again; Exit only hides the window.
//
// The table has 256 slots: Add is disabled and OK refused when they are
// all taken. Delete and Rename act on the current row (the one the
// operator chose), not on the rows the check selected. Main thread only.
#pragma once

#include <QFrame>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pelmo {

class Birthdays;
class Clock;
struct WindowPlatform;

// A panel that follows the mouse while a button other than the right one
// is held on it.
class DragPanel final : public QFrame {
 public:
  explicit DragPanel(QWidget* parent) : QFrame(parent) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool m_dragging = false;
  QPoint m_grab;
};

class BirthdayWindow final : public QWidget {
 public:
  BirthdayWindow(Birthdays& birthdays, const Clock& clock, const WindowPlatform& platform,
                 QWidget* parent = nullptr);

  void AddButtonClick();
  void RenameButtonClick();
  void DeleteButtonClick();
  // Writes BirthDay.dat (a file error goes to the error report) and
  // checks again, which may tell the chat.
  void SaveButtonClick();
  void ExitButtonClick() { hide(); }
  // False (and the panel stays) when a field is missing or not a number,
  // or the table is full.
  bool OKAddButtonClick();
  void CancelAddButtonClick();

  // The list from the table, with the check's selection.
  void ShowRows();
  QTableWidget* List() const { return m_list; }
  QFrame* Panel() const { return m_panel; }
  QLineEdit* Field(int i) const { return m_fields[i]; }  // name, group, day, month, year

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPanel(bool shown);
  void UpdateButtons();

  Birthdays& m_birthdays;
  const Clock& m_clock;
  const WindowPlatform& m_platform;
  QTableWidget* m_list;
  DragPanel* m_panel;
  QLineEdit* m_fields[5];
  QPushButton* m_add;
  QPushButton* m_delete;
  QPushButton* m_rename;
  QPushButton* m_save;
  bool m_editing = false;
  int m_editIndex = -1;
};

}  // namespace pelmo
