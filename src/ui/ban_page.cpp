#include "ui/ban_page.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/date_time.h"
#include "services/ban_list.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

BanPage::BanPage(BanList& bans, const Clock& clock, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_bans(bans), m_clock(clock), m_platform(platform) {
  m_list = new QListWidget;
  m_list->setObjectName("ListBan");
  m_host = new QLineEdit;
  m_host->setObjectName("HostBanLE");
  m_date = new QDateEdit;
  m_date->setObjectName("DateTimePicker2");
  m_date->setCalendarPopup(true);
  // The bot's own short date, not the desktop's.
  m_date->setDisplayFormat("dd.MM.yyyy");
  m_time = new QLineEdit;
  m_time->setObjectName("TimebanME");
  // Two digits each for hours, minutes and seconds, the first may be blank.
  m_time->setInputMask("09:99:99;_");
  auto* add = new QPushButton("До&бавить");
  add->setObjectName("AddBanB");
  m_delete = new QPushButton("Уда&лить");
  m_delete->setObjectName("DelBanB");
  connect(add, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { AddBanBClick(); }); });
  connect(m_delete, &QPushButton::clicked, this,
          [this] { RunGuarded(m_platform, [this] { DelBanBClick(); }); });
  connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });

  FitWidth(m_host, sample::kName);
  FitWidth(m_time, sample::kTime);
  QFormLayout* form = NewForm();
  form->addRow("Имя компьютера:", m_host);
  form->addRow("Дата:", m_date);
  form->addRow("Время:", m_time);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(m_delete);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_list, 1);
  layout->addLayout(form);
  layout->addLayout(buttons);
  Reset();
}

void BanPage::Reset() {
  const DateTimeParts today = DecodeDateTime(m_clock.Now());
  m_date->setDate(QDate(today.year, today.month, today.day));
  m_time->setText("00:00:00");
  ShowList();
}

void BanPage::ShowList() {
  const int row = m_list->currentRow();
  m_bans.LoadBanListBox();
  m_list->clear();
  for (const std::string& line : m_bans.ListBan()) m_list->addItem(ToQ(line));
  if (row >= 0 && row < m_list->count()) m_list->setCurrentRow(row);
  UpdateButtons();
}

bool BanPage::AddBanBClick() {
  const std::string host = FromQ(m_host->text());
  if (host.empty()) {
    if (m_platform.warn) m_platform.warn("Бан лист", "Введите имя компьютера.");
    m_host->setFocus();
    return false;
  }
  const QDate date = m_date->date();
  if (!m_bans.AddBanB(host, EncodeDate(date.year(), date.month(), date.day()),
                      FromQ(m_time->text()))) {
    // The list keeps what it showed: an unreadable file would empty it.
    if (m_platform.warn) {
      m_platform.warn("Бан лист", "Бан не записан в файл " + QString::fromStdString(m_bans.Path()) +
                                      ".\nПроверьте, что файл доступен для записи и что в имени "
                                      "компьютера нет знаков «=», «[» и «]».");
    }
    return false;
  }
  ShowList();
  return true;
}

bool BanPage::DelBanBClick() {
  if (m_list->currentItem() == nullptr || m_list->currentRow() == 0) return false;
  const QString chosen = m_list->currentItem()->text();
  const bool deleted = m_bans.DelBanB(FromQ(chosen));
  ShowList();
  if (!deleted && m_platform.warn) {
    m_platform.warn("Бан лист", "Строки «" + chosen +
                                    "» в файле уже нет (её убрала проверка срока или команда из "
                                    "чата). Список показан заново.");
  }
  return deleted;
}

void BanPage::UpdateButtons() {
  // The section header (the first line) stays.
  m_delete->setEnabled(m_list->currentRow() > 0);
}

void BanPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RunGuarded(m_platform, [this] { ShowList(); });
}

}  // namespace pelmo
