// The layout of the settings pages: every field shows its usual content
// whole at the window's default size, measured in the field's own font; a
// row whose label leaves too little room puts its field under the label.
// Main thread only.
#pragma once

#include <QString>

class QComboBox;
class QFormLayout;
class QLineEdit;
class QWidget;

namespace pelmo {

// Samples of the usual contents, wide letters and digits.
namespace sample {
// A nick, a computer name, a channel or a user name of 20 characters.
inline const QString kName = QString(20, QChar(0x0428));  // Ш
inline const QString kAddress = QStringLiteral("888.888.888.888");
inline const QString kPort = QStringLiteral("88888");
inline const QString kNumber = QStringLiteral("8888888888");
inline const QString kMinutes = QStringLiteral("8888");
inline const QString kTime = QStringLiteral("88:88:88");
inline const QString kUrl = QStringLiteral("http://informer.example/informer/forecast.js?city=27612");
inline const QString kServer = QStringLiteral("proxy.office.example.local");
}  // namespace sample

// Makes the field at least as wide as it must be to show text whole.
void FitWidth(QLineEdit* edit, const QString& text);
// The same for an address list with icons, such as the interface list.
void FitWidth(QComboBox* combo, const QString& text);
// A form of label and field rows whose long rows wrap.
QFormLayout* NewForm();
// An interval row: the minutes field, "мин.", the seconds field, "сек.".
QWidget* MinutesAndSeconds(QLineEdit* minutes, QLineEdit* seconds);

}  // namespace pelmo
