// The digits-only key filter of the whole-number fields (port, TTL, message
// size, the weather and anecdote intervals, the log size) on Qt's key
// events: each typed character passes or is dropped as the pages' filter
// says (pages/settings_form.h), and keys pressed with Ctrl, Alt or Meta
// keep their normal meaning.
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
