#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace pelmo {

QPixmap DrawAppIcon(int size, bool running) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);

  // The speech bubble.
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(4, 6, 56, 42), 12, 12);
  QPainterPath tail;
  tail.moveTo(16, 44);
  tail.lineTo(12, 60);
  tail.lineTo(30, 46);
  tail.closeSubpath();
  bubble = bubble.united(tail);
  const QColor fill = running ? QColor(0x2e, 0x9e, 0x4f) : QColor(0x8a, 0x8f, 0x94);
  painter.setPen(QPen(fill.darker(140), 2.5));
  painter.setBrush(fill);
  painter.drawPath(bubble);

  // The dumpling: a half moon with a pinched, wavy rim.
  QPainterPath dumpling;
  dumpling.moveTo(14, 34);
  dumpling.cubicTo(14, 14, 50, 14, 50, 34);
  dumpling.closeSubpath();
  painter.setPen(QPen(QColor(0xb8, 0x8a, 0x4a), 2));
  painter.setBrush(QColor(0xfb, 0xee, 0xd2));
  painter.drawPath(dumpling);
  painter.setPen(QPen(QColor(0xb8, 0x8a, 0x4a), 1.6));
  for (int i = 0; i < 6; ++i) {
    const double x = 17 + i * 6;
    painter.drawArc(QRectF(x - 3, 30, 6, 6), 0, 180 * 16);
  }
  // Eyes: the bot looks at the chat.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x40, 0x30, 0x20));
  painter.drawEllipse(QPointF(26, 25), 2.2, 2.2);
  painter.drawEllipse(QPointF(38, 25), 2.2, 2.2);
  return pixmap;
}

QIcon AppIcon(bool running) {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(DrawAppIcon(size, running));
  return icon;
}

}  // namespace pelmo
