#include "ui/tray_policy.h"

namespace pelmo {

namespace {
const QString kTitle = QStringLiteral("Pelmo_bot v 1.3");
}  // namespace

WindowAction DecideWindowAction(WindowCommand command, const std::string& runState,
                                bool trayAvailable) {
  if (!trayAvailable) {
    return command == WindowCommand::kClose ? WindowAction::kQuit : WindowAction::kMinimise;
  }
  if (runState == "Running" || runState == "Stoped") return WindowAction::kHideToTray;
  return WindowAction::kNothing;
}

QString HiddenTip(bool running, std::size_t users) {
  return running ? "[" + kTitle + "]\nUser: " + QString::number(users)
                 : "[" + kTitle + "] - [Stoped]";
}

QString MenuTip(bool running, std::size_t users) {
  return running ? kTitle + "\nUser: " + QString::number(users) : kTitle + " - [Stoped]";
}

}  // namespace pelmo
