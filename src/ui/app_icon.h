// The program's icon, drawn here: a dumpling on a speech bubble, green
// while the bot runs and grey while it is stopped (the notification icon's
// two images). The shipped pelmobot.svg is the same drawing.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pelmo {

QPixmap DrawAppIcon(int size, bool running);
QIcon AppIcon(bool running = true);

}  // namespace pelmo
