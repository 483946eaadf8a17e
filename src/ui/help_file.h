// The user guide: an HTML file shipped with the program and opened in the
// desktop's browser.
#pragma once

#include <QString>

namespace pelmo {

// The guide of the program in programDir: the first of
// <programDir>/help/index.html (the build tree, where the build copies it)
// and <programDir>/../share/doc/pelmobot/help/index.html (the installed
// package). Empty when neither exists.
QString HelpFilePath(const QString& programDir);

}  // namespace pelmo
