// Pictures of every tab, settings page, dialog and message of the control
// window, for the eye, taken twice: on the offscreen platform (each widget
// by itself) and under a real X server with a window manager (the whole
// screen, title bars included). The real Qt dialogs and boxes are shown
// (with Qt's Russian translation) and closed again once pictured.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace pelmo {

// Saves a picture named name of the widget (or of the screen); false when
// it cannot be written.
using Shoot = std::function<bool(QWidget* widget, const std::string& name)>;

// Runs every scene; a failed step is a test failure.
void ShootEveryScene(const Shoot& shoot);

// Runs action, which opens a modal dialog (at once or later); the dialog is
// pictured once it is on screen and then closed. False when no dialog came.
bool ShootModal(const Shoot& shoot, const std::string& name, const std::function<void()>& action);

}  // namespace pelmo
