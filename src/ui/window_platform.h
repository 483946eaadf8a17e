// What the window asks of the desktop: the input, colour and message boxes,
// the notification area, the browser. The defaults use Qt's dialogs; tests
// replace them with answers of their own, so no modal box blocks a test.
// Main thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QUrl>

#include <exception>
#include <functional>
#include <optional>

#include "pages/page_message.h"

class QWidget;

namespace pelmo {

struct WindowPlatform {
  // An input box: the text, or nullopt when cancelled.
  std::function<std::optional<QString>(const QString& title, const QString& prompt)> askText;
  // The colour dialog: the colour chosen, or nullopt when cancelled.
  std::function<std::optional<QColor>(const QColor& initial)> askColor;
  // A Yes/No question; true for Yes.
  std::function<bool(const QString& title, const QString& text)> askYesNo;
  // A message offering one action: true when the operator takes it
  // (the button named accept), false for the button named reject.
  std::function<bool(const QString& title, const QString& text, const QString& accept,
                     const QString& reject)>
      askAction;
  // A warning box.
  std::function<void(const QString& title, const QString& text)> warn;
  // A box that informs.
  std::function<void(const QString& title, const QString& text)> inform;
  // Opens a document in the desktop's program for it; failed runs (at
  // once or later, on the main thread) when no program could open it.
  std::function<void(const QUrl& url, std::function<void()> failed)> openUrl;
  // True when the desktop has a notification area.
  std::function<bool()> trayAvailable;
  // Where an error that escapes a handler goes (the error report).
  std::function<void(const std::exception& error)> reportError;
};

// Qt's dialogs and the desktop's xdg-open; parent is the dialogs' owner.
WindowPlatform DefaultWindowPlatform(QWidget* parent);

// Widens a dialog (through its text field, when it has one) so that the
// window manager can show its whole title beside the title bar's buttons.
void FitTitle(QWidget* dialog);

// Shows a page model's message in the box of its kind; a question's answer
// is returned (true for its yes; false for any other message). The field
// the message names, looked for under scope, gets the focus afterwards.
bool ShowPageMessage(const WindowPlatform& platform, const PageMessage& message, QWidget* scope);

// Runs a handler; an error escaping it goes to platform.reportError.
void RunGuarded(const WindowPlatform& platform, const std::function<void()>& handler);

}  // namespace pelmo
