// The birthday editor TBirthDayF ("Birth Day"), opened by "Пока&зать" on
// the birthday settings page, rendered from its definitions: the list BDListView,
// the buttons Add, Delete, Rename, Save and Exit, and the input panel
// BDAddPanel (NameEdit, GroupEdit, DayEdit, MonthEdit, YearEdit, OK,
// Cancel) that the mouse can drag, over the birthday editor model
// (pages/birthday_editor_model.h). Exit only hides the window; a refused
// input is said in a box. Main thread only.
#pragma once

#include <QFrame>
#include <QWidget>

#include "pages/birthday_editor_model.h"

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

  BirthdayEditorModel m_model;
  const WindowPlatform& m_platform;
  QTableWidget* m_list;
  DragPanel* m_panel;
  QLineEdit* m_fields[5];  // in the order of BirthdayInputFields()
  QPushButton* m_add;
  QPushButton* m_delete;
  QPushButton* m_rename;
  QPushButton* m_save;
};

}  // namespace pelmo
