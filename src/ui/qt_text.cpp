#include "ui/qt_text.h"

#include <QTableWidget>

#include "base/cp1251.h"

namespace pelmo {

QString ToQ(const std::string& cp1251) {
  return QString::fromStdString(Cp1251ToUtf8(cp1251));
}

std::string FromQ(const QString& text) {
  return Utf8ToCp1251(text.toStdString());
}

QColor ToQColor(std::uint32_t color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

std::uint32_t FromQColor(const QColor& color) {
  return static_cast<std::uint32_t>(color.red()) |
         (static_cast<std::uint32_t>(color.green()) << 8) |
         (static_cast<std::uint32_t>(color.blue()) << 16);
}

QString CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item != nullptr ? item->text() : QString();
}

}  // namespace pelmo
