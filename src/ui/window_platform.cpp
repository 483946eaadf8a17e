#include "ui/window_platform.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>

namespace pelmo {

WindowPlatform DefaultWindowPlatform(QWidget* parent) {
  WindowPlatform platform;
  platform.askText = [parent](const QString& title, const QString& prompt) -> std::optional<QString> {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return text;
  };
  platform.askColor = [parent](const QColor& initial) -> std::optional<QColor> {
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid()) return std::nullopt;
    return color;
  };
  platform.askYesNo = [parent](const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  platform.warn = [parent](const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
  };
  platform.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  platform.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  return platform;
}

void RunGuarded(const WindowPlatform& platform, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (platform.reportError) platform.reportError(e);
  }
}

}  // namespace pelmo
