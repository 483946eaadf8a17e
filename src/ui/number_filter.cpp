#include "ui/number_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "pages/settings_form.h"

namespace pelmo {

void NumberKeyFilter::Install(QLineEdit* field) {
  field->installEventFilter(new NumberKeyFilter(field));
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<const QKeyEvent*>(event);
  if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) {
    return false;
  }
  for (QChar c : key->text()) {
    if (!DigitsOnlyKeyPasses(c.unicode())) return true;
  }
  return false;
}

}  // namespace pelmo
