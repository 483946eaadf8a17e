#include "ui/admins_page.h"

#include <QHeaderView>
#include <QTableWidget>

#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const PageDef& Def() { return SettingsPage(PageId::kAdmins); }

}  // namespace

AdminsPage::AdminsPage(BotSettings& settings, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_model(settings), m_platform(platform) {
  const PageControls controls = RenderPage(Def(), this, nullptr);
  m_grid = controls.Get<QTableWidget>("ADMvle");
  m_grid->horizontalHeader()->setStretchLastSection(true);
  m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(m_grid, &QTableWidget::cellChanged, this, [this](int row, int column) {
    RunGuarded(m_platform, [this, row, column] { OnCellChanged(row, column); });
  });
  OnAction(Def(), controls, PageAction::kAddAdmin, &m_platform, [this] { AddADMBClick(); });
  OnAction(Def(), controls, PageAction::kRemoveAdmin, &m_platform, [this] { RemoveADMBClick(); });
}

void AdminsPage::ShowAdmins() {
  m_model.Load();
  m_showing = true;
  m_grid->setRowCount(0);
  for (const AdminEntry& entry : m_model.Rows()) {
    const int row = m_grid->rowCount();
    m_grid->insertRow(row);
    m_grid->setItem(row, 0, new QTableWidgetItem(ToQ(entry.Nick)));
    m_grid->setItem(row, 1, new QTableWidgetItem(ToQ(entry.CompName)));
  }
  m_showing = false;
}

bool AdminsPage::AddADMBClick() {
  const PageResult result = m_model.Add();
  if (!result.done) {
    if (result.message) ShowPageMessage(m_platform, *result.message, this);
    return false;
  }
  m_showing = true;
  m_grid->insertRow(result.row);
  m_grid->setItem(result.row, 0, new QTableWidgetItem);
  m_grid->setItem(result.row, 1, new QTableWidgetItem);
  m_showing = false;
  m_grid->setCurrentCell(result.row, 0);
  m_grid->setFocus();
  return true;
}

void AdminsPage::RemoveADMBClick() {
  const int row = m_grid->currentRow();
  if (row < 0 || row >= m_grid->rowCount()) return;
  m_model.Remove(row);
  m_grid->removeRow(row);
}

void AdminsPage::OnCellChanged(int row, int column) {
  if (m_showing) return;
  const PageResult result = m_model.SetCell(row, column, FromQ(CellText(m_grid, row, column)));
  if (result.row >= 0) ShowCell(result.row, column);
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
}

void AdminsPage::ShowCell(int row, int column) {
  const AdminEntry& entry = m_model.Rows()[static_cast<std::size_t>(row)];
  m_showing = true;
  m_grid->item(row, column)->setText(ToQ(column == 0 ? entry.Nick : entry.CompName));
  m_showing = false;
}

}  // namespace pelmo
