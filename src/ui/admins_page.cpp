#include "ui/admins_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/admins.h"
#include "core/bot_settings.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

AdminsPage::AdminsPage(BotSettings& settings, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_platform(platform) {
  m_grid = new QTableWidget(0, 2);
  m_grid->setObjectName("ADMvle");
  m_grid->setHorizontalHeaderLabels({"Nick", "Comp Name"});
  m_grid->horizontalHeader()->setStretchLastSection(true);
  m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(m_grid, &QTableWidget::cellChanged, this, [this](int row, int column) {
    RunGuarded(m_platform, [this, row, column] { OnCellChanged(row, column); });
  });

  auto* add = new QPushButton("&Add");
  add->setObjectName("AddADMB");
  auto* remove = new QPushButton("&Remove");
  remove->setObjectName("RemoveADMB");
  connect(add, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { AddADMBClick(); }); });
  connect(remove, &QPushButton::clicked, this,
          [this] { RunGuarded(m_platform, [this] { RemoveADMBClick(); }); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_grid, 1);
  layout->addLayout(buttons);
}

void AdminsPage::ShowAdmins() {
  m_showing = true;
  m_grid->setRowCount(0);
  for (const AdminEntry& entry : m_settings.ADMvle) {
    const int row = m_grid->rowCount();
    m_grid->insertRow(row);
    m_grid->setItem(row, 0, new QTableWidgetItem(ToQ(entry.Nick)));
    m_grid->setItem(row, 1, new QTableWidgetItem(ToQ(entry.CompName)));
  }
  m_showing = false;
}

bool AdminsPage::AddADMBClick() {
  if (m_grid->rowCount() >= static_cast<int>(kMaxAdmins)) {
    if (m_platform.warn) {
      m_platform.warn("Администраторы", QString("Больше %1 администраторов не сохраняется.").arg(kMaxAdmins));
    }
    return false;
  }
  m_showing = true;
  const int row = m_grid->rowCount();
  m_grid->insertRow(row);
  m_grid->setItem(row, 0, new QTableWidgetItem);
  m_grid->setItem(row, 1, new QTableWidgetItem);
  m_showing = false;
  m_grid->setCurrentCell(row, 0);
  m_grid->setFocus();
  return true;
}

void AdminsPage::RemoveADMBClick() {
  const int row = m_grid->currentRow();
  if (row < 0 || row >= m_grid->rowCount()) return;
  m_grid->removeRow(row);
  StoreRows();
}

void AdminsPage::OnCellChanged(int row, int column) {
  if (m_showing) return;
  if (column == 0) {
    const QString nick = CellText(m_grid, row, 0);
    for (int other = 0; other < m_grid->rowCount(); ++other) {
      if (other == row || nick.isEmpty() || CellText(m_grid, other, 0) != nick) continue;
      // The nicks are the grid's keys: one row per nick.
      m_showing = true;
      m_grid->item(row, 0)->setText(QString());
      m_showing = false;
      if (m_platform.warn) m_platform.warn("Администраторы", "Ник \"" + nick + "\" уже есть в списке.");
      break;
    }
  }
  StoreRows();
}

void AdminsPage::StoreRows() {
  m_settings.ADMvle.clear();
  for (int row = 0; row < m_grid->rowCount(); ++row) {
    AdminEntry entry{FromQ(CellText(m_grid, row, 0)), FromQ(CellText(m_grid, row, 1))};
    // A row left empty names nobody and is not written.
    if (entry.Nick.empty() && entry.CompName.empty()) continue;
    m_settings.ADMvle.push_back(std::move(entry));
  }
}

}  // namespace pelmo
