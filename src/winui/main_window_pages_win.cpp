// The pages that the services, games and timed features bring to the
// control window, each over its page model.
#include <windows.h>

#include "core/bot_faces.h"
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
  auto reset = std::make_shared<std::function<void()>>();
  m_keep.push_back(BuildBanPage(*m_settings, services.bans, m_bot.console.GetClock(), *reset));
  m_onFormCreate.push_back([reset] { (*reset)(); });
  m_keep.push_back(BuildSubscriberPage(*m_settings, services, m_bot.settings.Folder()));
}

void MainWindow::AddGamePages(Games& games) {
  m_keep.push_back(BuildChatterboxPage(*m_settings, games.chatterbox));
  m_birthdayEditor = std::make_unique<BirthdayEditor>(m_window, games.birthdays,
                                                      m_bot.console.GetClock(), platform);
  BuildBirthdayPage(*m_settings, *m_birthdayEditor);
  // The editor's creation at start runs the check, to everybody.
  m_onFormCreate.push_back([&games, this] {
    games.CheckBirthdaysAtStart();
    m_birthdayEditor->ShowRows();
  });
}

void MainWindow::AddTimedPages(TimedFeatures& timed) {
  std::shared_ptr<TimedPages> pages = BuildTimedPages(*m_settings, timed);
  m_keep.push_back(pages);
  m_onFormCreate.push_back(
      [this, raw = pages.get()] { TimedWindowShown(*raw, m_bot.settings.Settings()); });
  // The features' notices end before the window's controls do.
  m_onDestroy.push_back([this, raw = pages.get()] {
    for (auto& kept : m_keep) {
      if (kept.get() == raw) kept.reset();
    }
  });
}

}  // namespace pelmo::winui
