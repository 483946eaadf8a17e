// The pages that the services, games and timed features bring to the
// control window.
#include <windows.h>

#include "core/bot_control.h"
#include "core/bot_settings.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "services/timed_features.h"
#include "winui/game_pages_win.h"
#include "winui/main_window_win.h"
#include "winui/service_pages_win.h"
#include "winui/settings_tab_win.h"
#include "winui/timed_pages_win.h"

namespace pelmo::winui {

void MainWindow::AddServicePages(InstalledServices& services) {
  if (BanList* bans = services.Bans()) {
    auto reset = std::make_shared<std::function<void()>>();
    m_keep.push_back(BuildBanPage(*m_settings, *bans, m_bot.GetClock(), platform, *reset));
    m_onFormCreate.push_back([reset] { (*reset)(); });
  }
  m_keep.push_back(BuildSubscriberPage(*m_settings, services, m_bot.Folder(), platform));
}

void MainWindow::AddGamePages(Games& games) {
  m_keep.push_back(BuildChatterboxPage(*m_settings, games.chatterbox, platform));
  m_birthdayEditor = std::make_unique<BirthdayEditor>(m_window, games.birthdays, m_bot.GetClock(),
                                                      platform);
  BuildBirthdayPage(*m_settings, *m_birthdayEditor);
  // The editor's creation at start runs the check, to everybody.
  m_onFormCreate.push_back([&games, this] {
    games.CheckBirthdaysAtStart();
    m_birthdayEditor->ShowRows();
  });
}

void MainWindow::AddTimedPages(TimedFeatures& timed) {
  m_keep.push_back(BuildTimedPages(*m_settings, timed, platform));
  // The window's showing starts the countdowns; a zero interval is said.
  m_onFormCreate.push_back([this, &timed] {
    timed.WindowShown();
    if ((m_bot.Settings().PogodaCB && !timed.Weather().Running()) || !timed.Anecdote().Running()) {
      WarnZeroInterval(platform);
    }
  });
  m_onDestroy.push_back([&timed] {
    timed.Download().OnContentChanged = nullptr;
    timed.Weather().OnLabelChanged = nullptr;
    timed.Anecdote().OnLabelChanged = nullptr;
  });
}

}  // namespace pelmo::winui
