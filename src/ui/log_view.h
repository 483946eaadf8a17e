// The window log: read-only, each line a black "[hh:nn] " prefix and the
// text in its colour. Texts from the network are inserted as plain text,
// never read as markup. The oldest lines go once kMaxLines are held.
// Main thread only.
#pragma once

#include <QTextEdit>

#include <cstdint>

namespace pelmo {

class LogView final : public QTextEdit {
 public:
  static constexpr int kMaxLines = 5000;

  explicit LogView(QWidget* parent = nullptr);
  // Adds one line and scrolls it into view.
  void AppendLine(const QString& prefix, const QString& text, std::uint32_t color);
  int LineCount() const;
};

}  // namespace pelmo
