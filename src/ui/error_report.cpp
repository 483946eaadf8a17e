#include "ui/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <utility>

#include "ui/desktop_launch.h"
#include "ui/jpeg_writer.h"
#include "ui/qt_text.h"

namespace pelmo {

namespace {

std::string WindowName(QWidget* window) {
  if (window == nullptr) return "none";
  const QString name = window->objectName();
  if (!name.isEmpty()) return FromQ(name);
  return window->metaObject()->className();
}

}  // namespace

ErrorReporter::ErrorReporter(const Clock& clock, const BotSettings& settings,
                             std::string errorsDir, std::string programName, std::string title)
    : platform(DefaultErrorReportPlatform()),
      m_model(clock, settings, std::move(errorsDir), std::move(programName), std::move(title)) {}

QString ErrorReporter::BoxText(const std::string& message) const {
  return ToQ(m_model.BoxText(message));
}

void ErrorReporter::Report(const std::string& message, QWidget* active, QWidget* fallback) {
  QWidget* pictured = active != nullptr ? active : fallback;
  ErrorReportToolkit toolkit;
  toolkit.writePicture = [pictured](const std::string& path) {
    return pictured != nullptr && WriteJpeg(path, pictured->grab().toImage(), 100);
  };
  if (platform.askYesNo) {
    toolkit.askYesNo = [ask = platform.askYesNo](const std::string& title, const std::string& text) {
      return ask(ToQ(title), ToQ(text));
    };
  }
  if (platform.showError) {
    toolkit.showError = [show = platform.showError](const std::string& title,
                                                    const std::string& text) {
      show(ToQ(title), ToQ(text));
    };
  }
  if (platform.showInfo) {
    toolkit.showInfo = [show = platform.showInfo](const std::string& title,
                                                   const std::string& text) {
      show(ToQ(title), ToQ(text));
    };
  }
  if (platform.startMail) {
    toolkit.sendMail = [start = platform.startMail](const ErrorMail& mail,
                                                     std::function<void()> failed) {
      QStringList args = {"--subject", ToQ(mail.subject), "--body", ToQ(mail.body)};
      if (!mail.report.empty()) args << "--attach" << QString::fromStdString(mail.report);
      if (!mail.picture.empty()) args << "--attach" << QString::fromStdString(mail.picture);
      args << kSupportAddress;
      start(args, std::move(failed));
    };
  }
  m_model.Report(message, WindowName(active), toolkit);
}

ErrorReportPlatform DefaultErrorReportPlatform() {
  ErrorReportPlatform platform;
  platform.askYesNo = [](const QString& title, const QString& text) {
    return QMessageBox::critical(QApplication::activeWindow(), title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  platform.showError = [](const QString& title, const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), title, text);
  };
  platform.showInfo = [](const QString& title, const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), title, text);
  };
  platform.startMail = [](const QStringList& args, std::function<void()> failed) {
    StartDesktopHelper("xdg-email", args, QCoreApplication::instance(), std::move(failed));
  };
  return platform;
}

}  // namespace pelmo
