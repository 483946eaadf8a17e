// The desktop's helper programs (xdg-open for the user guide, xdg-email
// for the error mail). They are started without waiting: a browser may
// run in the helper's foreground for as long as it is open. A helper that
// cannot be started, or that ends with a failure status (xdg-open exits
// with 3 when no program can open the document), is reported, so that
// the operator is never left without an answer. Main thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace pelmo {

// Starts program (a name looked up on PATH, or a path) with args. failed
// runs on the main thread when it cannot be started (at once) or ends with
// a status other than 0 (later). The helper belongs to context: once
// context is gone, failed is never called.
void StartDesktopHelper(const QString& program, const QStringList& args, QObject* context,
                        std::function<void()> failed);

}  // namespace pelmo
