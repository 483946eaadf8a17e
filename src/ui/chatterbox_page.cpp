#include "ui/chatterbox_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "games/chatterbox.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

ChatterboxPage::ChatterboxPage(Chatterbox& chatterbox, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_chatterbox(chatterbox), m_platform(platform) {
  m_grid = new QTableWidget(0, 2, this);
  m_grid->setObjectName("AQvle");
  m_grid->setHorizontalHeaderLabels({"Вопрос", "Ответ"});
  m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  auto* remove = new QPushButton("&Удалить", this);
  remove->setObjectName("DelAQb");
  auto* add = new QPushButton("&Добавить", this);
  add->setObjectName("AddAQb");
  auto* save = new QPushButton("&Save", this);
  save->setObjectName("Button1");
  connect(remove, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { DelAQbClick(); }); });
  connect(add, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { AddAQbClick(); }); });
  connect(save, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { Button1Click(); }); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(remove);
  buttons->addWidget(add);
  buttons->addWidget(save);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* note = new QLabel("Когда бот встретит слово Вопрос то пошлет заданный Ответ", this);
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addWidget(m_grid, 1);
  layout->addLayout(buttons);
}

void ChatterboxPage::ShowPhrases() {
  const auto& phrases = m_chatterbox.Phrases();
  m_grid->setRowCount(static_cast<int>(phrases.size()));
  for (int row = 0; row < static_cast<int>(phrases.size()); ++row) {
    const Phrase& phrase = phrases[static_cast<std::size_t>(row)];
    m_grid->setItem(row, 0, new QTableWidgetItem(ToQ(phrase.trigger)));
    m_grid->setItem(row, 1, new QTableWidgetItem(ToQ(phrase.answer)));
  }
}

void ChatterboxPage::DelAQbClick() {
  if (m_grid->rowCount() == 0) return;
  m_grid->removeRow(std::max(m_grid->currentRow(), 0));
}

void ChatterboxPage::AddAQbClick() {
  if (m_grid->rowCount() >= static_cast<int>(Chatterbox::kMaxPhrases)) return;
  const int row = m_grid->rowCount();
  m_grid->insertRow(row);
  m_grid->setCurrentCell(row, 0);
  m_grid->setFocus();
}

bool ChatterboxPage::Button1Click() {
  std::vector<Phrase> rows;
  for (int row = 0; row < m_grid->rowCount(); ++row) {
    rows.push_back({FromQ(CellText(m_grid, row, 0)), FromQ(CellText(m_grid, row, 1))});
  }
  const int refused = m_chatterbox.SaveRows(rows);
  if (refused < 0) return true;
  m_grid->setCurrentCell(refused, 0);
  if (m_platform.warn) {
    m_platform.warn("Говарилка", QString("Строка %1: в вопросе не может быть \"^\", "
                                         "в вопросе и ответе — перевода строки.").arg(refused + 1));
  }
  return false;
}

}  // namespace pelmo
