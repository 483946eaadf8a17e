// The window's edge: the bot's Windows-1251 strings and its colour values
// (0x00BBGGRR, as the chat's packets carry them) to and from Qt's types.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

class QTableWidget;

namespace pelmo {

QString ToQ(const std::string& cp1251);
// Characters the code page lacks become '?'.
std::string FromQ(const QString& text);

QColor ToQColor(std::uint32_t color);
std::uint32_t FromQColor(const QColor& color);

// The text of a grid cell; empty for a cell never filled.
QString CellText(const QTableWidget* grid, int row, int column);

}  // namespace pelmo
