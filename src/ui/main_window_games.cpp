// The game pages of the control window: the chatterbox grid (page 7) and
// the birthday page (11) with its editor window.
#include <QPushButton>
#include <QVBoxLayout>

#include "core/bot_control.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "games/install_games.h"
#include "ui/birthday_window.h"
#include "ui/chatterbox_page.h"
#include "ui/main_window.h"
#include "ui/settings_pages.h"

namespace pelmo {

void MainWindow::AddGamePages(Games& games) {
  auto* chatterbox = new ChatterboxPage(games.chatterbox, platform);
  m_settings->SetPage(7, chatterbox);
  m_settings->Binder().OnShow([chatterbox] { chatterbox->ShowPhrases(); });

  m_birthdayEditor = new BirthdayWindow(games.birthdays, m_bot.GetClock(), platform, this);
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* show = new QPushButton("Пока&зать");
  show->setObjectName("ShowBDB");
  connect(show, &QPushButton::clicked, this, [this] {
    m_birthdayEditor->show();
    m_birthdayEditor->raise();
    m_birthdayEditor->activateWindow();
  });
  auto* row = new QHBoxLayout;
  row->addWidget(show);
  row->addStretch(1);
  layout->addLayout(row);
  layout->addStretch(1);
  m_settings->SetPage(11, page);
  // The editor's creation at start runs the check, to everybody.
  m_onFormCreate.push_back([&games, this] {
    games.CheckBirthdaysAtStart();
    m_birthdayEditor->ShowRows();
  });
}

}  // namespace pelmo
