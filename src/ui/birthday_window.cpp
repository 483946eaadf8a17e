#include "ui/birthday_window.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

enum Field { kName, kGroup, kDay, kMonth, kYear };
const char* const kFieldNames[] = {"NameEdit", "GroupEdit", "DayEdit", "MonthEdit", "YearEdit"};

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
    : QWidget(parent, Qt::Dialog), m_model(birthdays, clock), m_platform(platform) {
  const PageDef& def = BirthdayEditorDef();
  setObjectName(QString::fromStdString(def.name));
  setWindowTitle(ToQ(def.title));
  const PageControls controls = RenderPage(def, this, nullptr);
  m_list = controls.Get<QTableWidget>("BDListView");
  m_list->verticalHeader()->hide();
  m_list->horizontalHeader()->setStretchLastSection(true);
  m_list->setShowGrid(true);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_add = controls.Get<QPushButton>("AddButton");
  m_delete = controls.Get<QPushButton>("DeleteButton");
  m_rename = controls.Get<QPushButton>("RenameButton");
  m_save = controls.Get<QPushButton>("SaveButton");
  OnAction(def, controls, PageAction::kAddBirthday, &m_platform, [this] { AddButtonClick(); });
  OnAction(def, controls, PageAction::kDeleteBirthday, &m_platform, [this] { DeleteButtonClick(); });
  OnAction(def, controls, PageAction::kRenameBirthday, &m_platform, [this] { RenameButtonClick(); });
  OnAction(def, controls, PageAction::kSaveBirthdays, &m_platform, [this] { SaveButtonClick(); });
  OnAction(def, controls, PageAction::kCloseBirthdays, &m_platform, [this] { ExitButtonClick(); });

  const PageDef& panelDef = BirthdayPanelDef();
  m_panel = new DragPanel(this);
  m_panel->setObjectName(QString::fromStdString(panelDef.name));
  m_panel->setFrameShape(QFrame::Panel);
  m_panel->setFrameShadow(QFrame::Raised);
  m_panel->setAutoFillBackground(true);
  const PageControls panel = RenderPage(panelDef, m_panel, nullptr);
  for (int i = 0; i < 5; ++i) m_fields[i] = panel.Get<QLineEdit>(kFieldNames[i]);
  OnAction(panelDef, panel, PageAction::kAcceptBirthday, &m_platform, [this] { OKAddButtonClick(); });
  OnAction(panelDef, panel, PageAction::kCancelBirthday, &m_platform, [this] { CancelAddButtonClick(); });
  m_panel->adjustSize();
  m_panel->hide();

  resize(560, 380);
  ShowRows();
}

void BirthdayWindow::ShowRows() {
  const int current = m_list->currentRow();
  const std::vector<BirthdayRow> rows = m_model.Rows();
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
  if (m_model.Add()) ShowPanel(true);
}

void BirthdayWindow::RenameButtonClick() {
  const std::optional<BirthdayInput> texts = m_model.Rename(m_list->currentRow());
  if (!texts) return;
  const std::string* values[] = {&texts->name, &texts->group, &texts->day, &texts->month,
                                 &texts->year};
  for (int i = 0; i < 5; ++i) m_fields[i]->setText(ToQ(*values[i]));
  ShowPanel(true);
}

void BirthdayWindow::DeleteButtonClick() {
  if (m_model.Delete(m_list->currentRow())) ShowRows();
}

void BirthdayWindow::SaveButtonClick() {
  m_model.Save();
  ShowRows();
}

bool BirthdayWindow::OKAddButtonClick() {
  BirthdayInput input;
  std::string* texts[] = {&input.name, &input.group, &input.day, &input.month, &input.year};
  for (int i = 0; i < 5; ++i) *texts[i] = FromQ(m_fields[i]->text());
  const PageResult result = m_model.Accept(input);
  if (!result.done) {
    if (result.message) ShowPageMessage(m_platform, *result.message, this);
    return false;
  }
  ShowPanel(false);
  ShowRows();
  return true;
}

void BirthdayWindow::CancelAddButtonClick() {
  m_model.CancelInput();
  ShowPanel(false);
}

void BirthdayWindow::ShowPanel(bool shown) {
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
  m_add->setEnabled(m_model.CanAdd());
  for (QPushButton* button : {m_delete, m_rename, m_save}) button->setEnabled(m_model.Idle());
}

void BirthdayWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ShowRows();
}

}  // namespace pelmo
