#include "ui/ban_page.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const PageDef& Def() { return SettingsPage(PageId::kBans); }

// How often a shown page looks whether ban.txt changed.
constexpr int kFollowMs = 1000;

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
  connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
    m_model.Select(row);
    UpdateButtons();
  });
  m_follow = new QTimer(this);
  m_follow->setInterval(kFollowMs);
  connect(m_follow, &QTimer::timeout, this, [this] {
    RunGuarded(m_platform, [this] {
      if (m_model.Follow()) ShowLines();
    });
  });
  Reset();
}

void BanPage::Reset() {
  const DateTimeParts today = m_model.StartDate();
  m_date->setDate(QDate(today.year, today.month, today.day));
  m_time->setText(ToQ(m_model.StartTime()));
  ShowList();
}

void BanPage::ShowList() {
  m_model.Reload();
  ShowLines();
}

void BanPage::ShowLines() {
  {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const std::string& line : m_model.Lines()) m_list->addItem(ToQ(line));
    m_list->setCurrentRow(m_model.Selected());
  }
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
  const PageResult question = m_model.Delete();
  if (!question.message || !ShowPageMessage(m_platform, *question.message, this)) return false;
  const PageResult result = m_model.ConfirmDelete();
  // Whatever became of the chosen line, the model has read the file again.
  ShowLines();
  if (result.message) ShowPageMessage(m_platform, *result.message, this);
  return result.done;
}

void BanPage::UpdateButtons() { m_delete->setEnabled(m_model.CanDelete()); }

void BanPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RunGuarded(m_platform, [this] { ShowList(); });
  m_follow->start();
}

void BanPage::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  m_follow->stop();
}

}  // namespace pelmo
