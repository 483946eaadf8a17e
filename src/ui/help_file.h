// The user guide: an HTML file shipped with the program and opened in the
// desktop's browser.
#pragma once

#include <QString>

namespace pelmo {

// The first of: <program dir>/help/index.html,
// <program dir>/../share/doc/pelmobot/help/index.html, the source tree's
// dist/help/index.html. Empty when none exists.
QString HelpFilePath();

}  // namespace pelmo
