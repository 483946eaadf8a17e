#include "ui/ban_page.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const PageDef& Def() { return SettingsPageDefs()[5]; }

}  // namespace

BanPage::BanPage(BanList& bans, const Clock& clock, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_model(bans, clock), m_platform(platform) {
  const PageControls controls = RenderPage(Def(), this, nullptr);
  m_list = controls.Get<QListWidget>("ListBan");
  m_host = controls.Get<QLineEdit>("HostBanLE");
  m_date = controls.Get<QDateEdit>("DateTimePicker2");
  m_time = controls.Get<QLineEdit>("TimebanME");
  m_delete = controls.Get<QPushButton>("DelBanB");
  OnAction(Def(), controls, PageAction::kAddBan, &m_platform, [this] { AddBanBClick(); });
  OnAction(Def(), controls, PageAction::kDeleteBan, &m_platform, [this] { DelBanBClick(); });
  connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  Reset();
}

void BanPage::Reset() {
  const DateTimeParts today = m_model.StartDate();
  m_date->setDate(QDate(today.year, today.month, today.day));
  m_time->setText(ToQ(BanModel::StartTime()));
  ShowList();
}

void BanPage::ShowList() {
  m_model.Reload();
  ShowLines();
}

void BanPage::ShowLines() {
  const int row = m_list->currentRow();
  m_list->clear();
  for (const std::string& line : m_model.Lines()) m_list->addItem(ToQ(line));
  if (row >= 0 && row < m_list->count()) m_list->setCurrentRow(row);
  UpdateButtons();
}

bool BanPage::AddBanBClick() {
  const QDate date = m_date->date();
  const PageResult result =
      m_model.Add(FromQ(m_host->text()), date.year(), date.month(), date.day(), FromQ(m_time->text()));
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
  if (result.done) ShowLines();
  return result.done;
}

bool BanPage::DelBanBClick() {
  const PageResult result = m_model.Delete(m_list->currentRow());
  // Whatever became of the chosen line, the model has read the file again.
  if (result.done || result.message) ShowLines();
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
  return result.done;
}

void BanPage::UpdateButtons() { m_delete->setEnabled(BanModel::CanDelete(m_list->currentRow())); }

void BanPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RunGuarded(m_platform, [this] { ShowList(); });
}

}  // namespace pelmo
