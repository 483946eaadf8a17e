// A control window on a whole bot (BotFixture: a real working folder,
// loopback only, fake clock) with the desktop's boxes replaced by answers
// the test sets, and helpers to find widgets by component name and to save
// screenshots. Main thread only.
#pragma once

#include <QApplication>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fakes/bot_fixture.h"
#include "ui/main_window.h"

class QWidget;

namespace pelmo {

class WindowFixture {
 public:
  explicit WindowFixture(BotFixtureOptions options = {});
  ~WindowFixture();

  // Lets Qt handle what is queued (events, deferred calls).
  static void Pump();

  template <typename T>
  T* Find(const char* name) const {
    return window->findChild<T*>(QString::fromUtf8(name));
  }

  BotFixture bot;
  std::unique_ptr<MainWindow> window;

  // Answers of the boxes, taken in order; an empty queue cancels.
  std::deque<std::optional<QString>> textAnswers;
  std::deque<std::optional<QColor>> colorAnswers;
  // Answers of the one-action boxes (true: the action); empty: declined.
  std::deque<bool> actionAnswers;
  bool trayAvailable = true;
  bool browserWorks = true;
  // What the boxes were asked (a one-action box as
  // "title|text|accept|reject").
  QStringList questions;
  QStringList warnings;
  std::vector<QUrl> opened;
  std::vector<std::string> errors;
};

// Types the text key by key (QTest::keyClicks knows ASCII keys only).
void TypeText(QWidget* widget, const QString& text);

// Saves a picture of the widget as <dir>/<name>.png, the folder given by
// PELMO_SCREENSHOT_DIR; false when it cannot be written.
bool SaveScreenshot(QWidget* widget, const std::string& name);

}  // namespace pelmo
