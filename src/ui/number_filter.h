// The key filter of the whole-number fields (port, TTL, message size, the
// weather and anecdote intervals): digits and backspace pass, every other
// typed character is dropped. Keys that type nothing (arrows, Tab, Delete,
// shortcuts) keep their normal meaning. A decimal separator is dropped
// too: these fields must hold whole numbers when the page is saved.
#pragma once

#include <QObject>

class QLineEdit;

namespace pelmo {

class NumberKeyFilter final : public QObject {
 public:
  explicit NumberKeyFilter(QObject* parent) : QObject(parent) {}
  // Installs one filter (owned by the field) on the field.
  static void Install(QLineEdit* field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace pelmo
