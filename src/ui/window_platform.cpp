#include "ui/window_platform.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "ui/desktop_launch.h"
#include "ui/qt_text.h"

namespace pelmo {

namespace {

// Room on a title bar beside the title: the icon and three buttons.
constexpr int kTitleBarExtra = 140;

}  // namespace

void FitTitle(QWidget* dialog) {
  const int needed = dialog->fontMetrics().horizontalAdvance(dialog->windowTitle()) + kTitleBarExtra;
  // A dialog whose layout sets its size takes the width from its field.
  if (auto* field = dialog->findChild<QLineEdit*>()) {
    if (field->minimumWidth() < needed) field->setMinimumWidth(needed);
  } else if (dialog->minimumWidth() < needed) {
    dialog->setMinimumWidth(needed);
  }
}

WindowPlatform DefaultWindowPlatform(QWidget* parent) {
  WindowPlatform platform;
  platform.askText = [parent](const QString& title, const QString& prompt) -> std::optional<QString> {
    QInputDialog dialog(parent);
    dialog.setObjectName("InputBox");
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    FitTitle(&dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
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
  platform.askAction = [parent](const QString& title, const QString& text, const QString& accept,
                                const QString& reject) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(accept, QMessageBox::AcceptRole);
    box.addButton(reject, QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
  };
  platform.warn = [parent](const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
  };
  platform.inform = [parent](const QString& title, const QString& text) {
    QMessageBox::information(parent, title, text);
  };
  platform.openUrl = [parent](const QUrl& url, std::function<void()> failed) {
    if (!QStandardPaths::findExecutable("xdg-open").isEmpty()) {
      StartDesktopHelper("xdg-open", {url.isLocalFile() ? url.toLocalFile() : url.toString()},
                         parent, std::move(failed));
    } else if (!QDesktopServices::openUrl(url) && failed) {
      failed();
    }
  };
  platform.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  return platform;
}

bool ShowPageMessage(const WindowPlatform& platform, const PageMessage& message, QWidget* scope) {
  const QString title = ToQ(message.title);
  const QString text = ToQ(message.text);
  bool yes = false;
  switch (message.kind) {
    case MessageKind::kQuestion:
      if (!message.yes.empty() && platform.askAction) {
        yes = platform.askAction(title, text, ToQ(message.yes), ToQ(message.no));
      } else if (message.yes.empty() && platform.askYesNo) {
        yes = platform.askYesNo(title, text);
      }
      break;
    case MessageKind::kWarning:
      if (platform.warn) platform.warn(title, text);
      break;
    case MessageKind::kInformation:
      if (platform.inform) platform.inform(title, text);
      break;
  }
  if (!message.focus.empty() && scope != nullptr) {
    if (auto* field = scope->findChild<QWidget*>(QString::fromStdString(message.focus))) field->setFocus();
  }
  return yes;
}

void RunGuarded(const WindowPlatform& platform, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (platform.reportError) platform.reportError(e);
  }
}

}  // namespace pelmo
