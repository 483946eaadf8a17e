// The layout of the settings pages: every field shows its usual content
// whole at the window's default size, measured in the field's own font (the
// usual contents are the page definitions' samples); a row whose label
// leaves too little room puts its field under the label. Main thread only.
#pragma once

#include <QString>

class QComboBox;
class QFormLayout;
class QLineEdit;
class QWidget;

namespace pelmo {

// Makes the field at least as wide as it must be to show text whole.
void FitWidth(QLineEdit* edit, const QString& text);
// The same for an address list with icons, such as the interface list.
void FitWidth(QComboBox* combo, const QString& text);
// A form of label and field rows whose long rows wrap.
QFormLayout* NewForm();
// An interval row: the minutes field, its unit, the seconds field, its
// unit. The fields, already as wide as their usual content, grow to twice
// that at most.
QWidget* MinutesAndSeconds(QLineEdit* minutes, QLineEdit* seconds, const QString& minutesUnit,
                           const QString& secondsUnit);

}  // namespace pelmo
