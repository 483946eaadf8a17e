// What minimising and closing the window do, and the notification icon's
// tips. With a notification area the window hides into it once the bot has
// been started or stopped. Before that (a bot switched off in Net.ini) the
// icon would have nothing to show, and a desktop without a notification
// area could never bring a hidden window back: then the window minimises
// normally and closing ends the program.
#pragma once

#include <QString>

#include <cstddef>
#include <string>

namespace pelmo {

enum class WindowAction {
  kHideToTray,     // icon added, window hidden
  kMinimise,       // the desktop's own minimise
  kQuit,           // the program closes
};

enum class WindowCommand { kMinimise, kClose };

// runState: status panel 2 ("Running", "Stoped" or "").
WindowAction DecideWindowAction(WindowCommand command, const std::string& runState,
                                bool trayAvailable);

// Tips of the icon as the window hides ("[Pelmo_bot v 1.3]\nUser: 3",
// "[Pelmo_bot v 1.3] - [Stoped]") and after the icon menu's start and stop
// ("Pelmo_bot v 1.3\nUser: 3", "Pelmo_bot v 1.3 - [Stoped]").
QString HiddenTip(bool running, std::size_t users);
QString MenuTip(bool running, std::size_t users);

}  // namespace pelmo
