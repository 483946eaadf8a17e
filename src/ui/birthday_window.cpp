#include "ui/birthday_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/birthday_check.h"
#include "games/birthdays.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

enum Field { kName, kGroup, kDay, kMonth, kYear };

}  // namespace

void DragPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return QFrame::mousePressEvent(event);
  m_dragging = true;
  m_grab = event->position().toPoint();
}

void DragPanel::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) return QFrame::mouseMoveEvent(event);
  move(mapToParent(event->position().toPoint() - m_grab));
}

void DragPanel::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  QFrame::mouseReleaseEvent(event);
}

BirthdayWindow::BirthdayWindow(Birthdays& birthdays, const Clock& clock,
                               const WindowPlatform& platform, QWidget* parent)
    // A dialog of the main window: it stays in front of it.
    : QWidget(parent, Qt::Dialog), m_birthdays(birthdays), m_clock(clock), m_platform(platform) {
  setObjectName("BirthDayF");
  setWindowTitle("Birth Day");
  m_list = new QTableWidget(0, 4, this);
  m_list->setObjectName("BDListView");
  m_list->setHorizontalHeaderLabels({"#", "Group", "Name", "Birth Day"});
  m_list->verticalHeader()->hide();
  m_list->horizontalHeader()->setStretchLastSection(true);
  m_list->setShowGrid(true);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

  auto button = [this](const char* name, const char* text, void (BirthdayWindow::*handler)()) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, handler] { RunGuarded(m_platform, [this, handler] { (this->*handler)(); }); });
    return b;
  };
  m_add = button("AddButton", "Add", &BirthdayWindow::AddButtonClick);
  m_delete = button("DeleteButton", "Delete", &BirthdayWindow::DeleteButtonClick);
  m_rename = button("RenameButton", "Rename", &BirthdayWindow::RenameButtonClick);
  m_save = button("SaveButton", "Save", &BirthdayWindow::SaveButtonClick);
  QPushButton* exit = button("ExitButton", "Exit", &BirthdayWindow::ExitButtonClick);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {m_add, m_delete, m_rename, m_save, exit}) buttons->addWidget(b);
  buttons->addStretch(1);

  m_panel = new DragPanel(this);
  m_panel->setObjectName("BDAddPanel");
  m_panel->setFrameShape(QFrame::Panel);
  m_panel->setFrameShadow(QFrame::Raised);
  m_panel->setAutoFillBackground(true);
  auto* form = new QFormLayout(m_panel);
  const char* names[] = {"NameEdit", "GroupEdit", "DayEdit", "MonthEdit", "YearEdit"};
  const char* labels[] = {"Name:", "Group:", "Day:", "Month:", "Year:"};
  for (int i = 0; i < 5; ++i) {
    m_fields[i] = new QLineEdit(m_panel);
    m_fields[i]->setObjectName(names[i]);
    FitWidth(m_fields[i], i <= kGroup ? sample::kName : sample::kMinutes);
    form->addRow(labels[i], m_fields[i]);
  }
  auto* ok = new QPushButton("OK", m_panel);
  ok->setObjectName("OKAddButton");
  auto* cancel = new QPushButton("Cancel", m_panel);
  cancel->setObjectName("CancelAddButton");
  connect(ok, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { OKAddButtonClick(); }); });
  connect(cancel, &QPushButton::clicked, this,
          [this] { RunGuarded(m_platform, [this] { CancelAddButtonClick(); }); });
  auto* panelButtons = new QHBoxLayout;
  panelButtons->addWidget(ok);
  panelButtons->addWidget(cancel);
  form->addRow(panelButtons);
  m_panel->adjustSize();
  m_panel->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);
  resize(560, 380);
  ShowRows();
}

void BirthdayWindow::ShowRows() {
  const int current = m_list->currentRow();
  const std::vector<BirthdayRow> rows = BirthdayRows(m_birthdays.Table(), m_clock.Now());
  m_list->clearSelection();
  m_list->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const BirthdayRow& row = rows[static_cast<std::size_t>(i)];
    m_list->setItem(i, 0, new QTableWidgetItem(QString::number(row.index)));
    m_list->setItem(i, 1, new QTableWidgetItem(ToQ(row.group)));
    m_list->setItem(i, 2, new QTableWidgetItem(ToQ(row.name)));
    m_list->setItem(i, 3, new QTableWidgetItem(ToQ(row.date)));
  }
  // The check's selection shows whose birthday is near; it does not move
  // the current row, which Delete and Rename act on.
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    if (!rows[static_cast<std::size_t>(i)].selected) continue;
    m_list->selectionModel()->select(m_list->model()->index(i, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  if (current >= 0 && current < m_list->rowCount()) {
    m_list->selectionModel()->setCurrentIndex(m_list->model()->index(current, 0),
                                              QItemSelectionModel::NoUpdate);
  } else {
    m_list->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  UpdateButtons();
}

void BirthdayWindow::AddButtonClick() {
  if (!m_editing && m_birthdays.Table().Count() >= static_cast<int>(kBirthdaySlots)) return;
  if (m_editing) {
    const BirthdayEntry entry = m_birthdays.Table().At(m_editIndex);
    m_fields[kName]->setText(ToQ(entry.Name));
    m_fields[kGroup]->setText(ToQ(entry.Group));
    m_fields[kDay]->setText(QString::number(entry.Day));
    m_fields[kMonth]->setText(QString::number(entry.Month));
    m_fields[kYear]->setText(QString::number(entry.Year));
  }
  ShowPanel(true);
}

void BirthdayWindow::RenameButtonClick() {
  const int row = m_list->currentRow();
  if (row < 0 || row >= m_birthdays.Table().Count()) return;
  m_editing = true;
  m_editIndex = row;
  AddButtonClick();
}

void BirthdayWindow::DeleteButtonClick() {
  const int row = m_list->currentRow();
  if (row < 0 || row >= m_birthdays.Table().Count()) return;
  m_birthdays.Table().Delete(row);
  ShowRows();
}

void BirthdayWindow::SaveButtonClick() {
  m_birthdays.Save();
  ShowRows();
}

bool BirthdayWindow::OKAddButtonClick() {
  BirthdayInput input;
  std::string* texts[] = {&input.name, &input.group, &input.day, &input.month, &input.year};
  for (int i = 0; i < 5; ++i) *texts[i] = FromQ(m_fields[i]->text());
  const BirthdayInputCheck check = CheckBirthdayInput(std::move(input));
  if (!check.entry) {
    // The check's lines end with CR, as the box of the system shows them.
    if (m_platform.warn) m_platform.warn("Error", ToQ(check.refusal).replace('\r', '\n'));
    return false;
  }
  const BirthdayEntry& entry = *check.entry;
  if (m_editing) {
    m_birthdays.Table().Set(m_editIndex, entry);
  } else if (!m_birthdays.Table().Add(entry)) {
    if (m_platform.warn) {
      m_platform.warn("Error", QString("В таблице нет места: не больше %1 записей.").arg(kBirthdaySlots));
    }
    return false;
  }
  ShowPanel(false);
  ShowRows();
  return true;
}

void BirthdayWindow::CancelAddButtonClick() { ShowPanel(false); }

void BirthdayWindow::ShowPanel(bool shown) {
  if (!shown) {
    m_editing = false;
    m_editIndex = -1;
  }
  m_list->setEnabled(!shown);
  m_panel->setVisible(shown);
  if (shown) {
    m_panel->raise();
    m_panel->move((width() - m_panel->width()) / 2, (height() - m_panel->height()) / 2);
    m_fields[kName]->setFocus();
  }
  UpdateButtons();
}

void BirthdayWindow::UpdateButtons() {
  const bool idle = m_panel->isHidden() && !m_editing;
  m_add->setEnabled(idle && m_birthdays.Table().Count() < static_cast<int>(kBirthdaySlots));
  m_delete->setEnabled(idle);
  m_rename->setEnabled(idle);
  m_save->setEnabled(idle);
}

void BirthdayWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ShowRows();
}

}  // namespace pelmo
