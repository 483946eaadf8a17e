#include "ui/number_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace pelmo {

void NumberKeyFilter::Install(QLineEdit* field) {
  field->installEventFilter(new NumberKeyFilter(field));
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<const QKeyEvent*>(event);
  const QString text = key->text();
  if (text.isEmpty() || key->key() == Qt::Key_Backspace) return false;
  // Control characters come with shortcuts and editing keys.
  if (text.size() == 1 && text[0].unicode() < 0x20) return false;
  if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) {
    return false;
  }
  for (QChar c : text) {
    if (c < '0' || c > '9') return true;
  }
  return false;
}

}  // namespace pelmo
