#include "ui/tray_policy.h"

namespace pelmo {

namespace {
const QString kTitle = QStringLiteral("Pelmo_bot v 1.3");
}  // namespace

WindowAction DecideWindowAction(WindowCommand command, const std::string& runState,
                                bool trayAvailable) {
  if (trayAvailable && (runState == "Running" || runState == "Stoped")) {
    return WindowAction::kHideToTray;
  }
  return command == WindowCommand::kClose ? WindowAction::kQuit : WindowAction::kMinimise;
}

QString HiddenTip(bool running, std::size_t users) {
  return running ? "[" + kTitle + "]\nUser: " + QString::number(users)
                 : "[" + kTitle + "] - [Stoped]";
}

QString MenuTip(bool running, std::size_t users) {
  return running ? kTitle + "\nUser: " + QString::number(users) : kTitle + " - [Stoped]";
}

}  // namespace pelmo
