#include "ui/chatterbox_page.h"

#include <QHeaderView>
#include <QTableWidget>

#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const PageDef& Def() { return SettingsPage(PageId::kChatterbox); }

}  // namespace

ChatterboxPage::ChatterboxPage(Chatterbox& chatterbox, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_model(chatterbox), m_platform(platform) {
  const PageControls controls = RenderPage(Def(), this, nullptr);
  m_grid = controls.Get<QTableWidget>("AQvle");
  m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  connect(m_grid, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (!m_showing) m_model.SetCell(row, column, FromQ(CellText(m_grid, row, column)));
  });
  OnAction(Def(), controls, PageAction::kDeletePhrase, &m_platform, [this] { DelAQbClick(); });
  OnAction(Def(), controls, PageAction::kAddPhrase, &m_platform, [this] { AddAQbClick(); });
  OnAction(Def(), controls, PageAction::kSavePhrases, &m_platform, [this] { Button1Click(); });
}

void ChatterboxPage::ShowPhrases() {
  m_model.Load();
  ShowRows();
}

void ChatterboxPage::ShowRows() {
  const auto& rows = m_model.Rows();
  m_showing = true;
  m_grid->setRowCount(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const Phrase& phrase = rows[static_cast<std::size_t>(row)];
    m_grid->setItem(row, 0, new QTableWidgetItem(ToQ(phrase.trigger)));
    m_grid->setItem(row, 1, new QTableWidgetItem(ToQ(phrase.answer)));
  }
  m_showing = false;
}

void ChatterboxPage::DelAQbClick() {
  // The model chooses the row; the grid shows what is left, its current
  // row staying where it was.
  if (m_model.Delete(m_grid->currentRow())) ShowRows();
}

void ChatterboxPage::AddAQbClick() {
  const PageResult result = m_model.Add();
  if (!result.done) return;
  m_grid->insertRow(result.row);
  m_grid->setCurrentCell(result.row, 0);
  m_grid->setFocus();
}

bool ChatterboxPage::Button1Click() {
  const PageResult result = m_model.Save();
  if (result.done) {
    ShowRows();
    return true;
  }
  if (result.row >= 0) m_grid->setCurrentCell(result.row, 0);
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
  return false;
}

}  // namespace pelmo
