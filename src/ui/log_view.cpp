#include "ui/log_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "ui/qt_text.h"

namespace pelmo {

LogView::LogView(QWidget* parent) : QTextEdit(parent) {
  setObjectName("Log");
  setReadOnly(true);
  setAcceptRichText(false);
  setUndoRedoEnabled(false);
  document()->setMaximumBlockCount(kMaxLines);
}

void LogView::AppendLine(const QString& prefix, const QString& text, std::uint32_t color) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  if (!document()->isEmpty()) cursor.insertBlock();
  QTextCharFormat format;
  format.setForeground(Qt::black);
  cursor.insertText(prefix, format);
  format.setForeground(ToQColor(color));
  // Line breaks inside a chat line stay inside its block, and the
  // continuation is indented, so that it cannot pose as an entry of its own.
  QString body = text;
  body.replace("\r\n", "\n");
  body.replace('\r', '\n');
  while (body.endsWith('\n')) body.chop(1);
  body.replace('\n', QString(QChar::LineSeparator) + "    ");
  cursor.insertText(body, format);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

int LogView::LineCount() const {
  return document()->isEmpty() ? 0 : document()->blockCount();
}

}  // namespace pelmo
