// The game pages of the control window: the chatterbox grid and
// the birthday page with its editor window.
#include "core/bot_faces.h"
#include "games/install_games.h"
#include "ui/birthday_window.h"
#include "ui/chatterbox_page.h"
#include "ui/main_window.h"
#include "ui/page_render.h"
#include "ui/settings_pages.h"

namespace pelmo {

void MainWindow::AddGamePages(Games& games) {
  auto* chatterbox = new ChatterboxPage(games.chatterbox, platform);
  m_settings->SetPage(PageId::kChatterbox, chatterbox);
  m_settings->Form().AttachChatterbox(chatterbox->Model());
  m_settings->Binder().OnShow([chatterbox] { chatterbox->ShowPhrases(); });

  m_birthdayEditor = new BirthdayWindow(games.birthdays, m_bot.console.GetClock(), platform, this);
  const PageControls page = m_settings->RenderPage(PageId::kBirthdays);
  OnAction(SettingsPage(PageId::kBirthdays), page, PageAction::kShowBirthdays, &platform, [this] {
    m_birthdayEditor->show();
    m_birthdayEditor->raise();
    m_birthdayEditor->activateWindow();
  });
  // The editor's creation at start runs the check, to everybody.
  m_onFormCreate.push_back([&games, this] {
    games.CheckBirthdaysAtStart();
    m_birthdayEditor->ShowRows();
  });
}

}  // namespace pelmo
