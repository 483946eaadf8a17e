#include "ui/error_report.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "program/machine_names.h"
#include "ui/desktop_launch.h"
#include "ui/jpeg_writer.h"
#include "ui/qt_text.h"

namespace pelmo {

namespace {

constexpr const char* kSupportAddress = "support@pelmo-bot.example";

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
      m_clock(clock),
      m_settings(settings),
      m_errorsDir(std::move(errorsDir)),
      m_rules(m_errorsDir, std::move(programName)),
      m_title(std::move(title)) {}

std::string ErrorReporter::BaseName(const std::string& window, TDateTime now) const {
  return m_rules.BaseName(window, now);
}

std::string ErrorReporter::ReportText(const std::string& message, const std::string& computer,
                                      const std::string& user) {
  return ErrorReportRules::ReportText(message, computer, user);
}

QString ErrorReporter::BoxText(const std::string& message, const std::string& baseName) const {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return ToQ(text) + "\n\n" + ToQ(W("Ошибка будет сохранена в папку: ")) +
         QString::fromStdString(m_errorsDir) + "/\n" + ToQ(W("Имя файла ошибки: ")) +
         QString::fromStdString(baseName) + "\n" +
         ToQ(W("Сгенерировать письмо в службу поддержки с ошибкой ?"));
}

void ErrorReporter::Report(const std::string& message, QWidget* active, QWidget* fallback) {
  if (!m_settings.OnErrorCB) {
    if (m_boxOpen || !platform.showError) return;
    m_boxOpen = true;
    platform.showError(QString::fromStdString(m_title), ToQ(message));
    m_boxOpen = false;
    return;
  }
  const TDateTime now = m_clock.Now();
  if (m_rules.RepeatedTooSoon(message, now)) return;

  CreateDirectory(m_errorsDir);
  const std::string baseName = m_rules.FreeBaseName(WindowName(active), now);

  QWidget* pictured = active != nullptr ? active : fallback;
  const std::string picture = JoinPath(m_errorsDir, baseName + ".jpg");
  m_lastPicture = pictured != nullptr && WriteJpeg(picture, pictured->grab().toImage(), 100)
                      ? picture
                      : std::string();
  const std::string report = JoinPath(m_errorsDir, baseName + ".txt");
  try {
    RewriteFile(report, ReportText(message, ComputerName(), UserName()));
    m_lastReport = report;
  } catch (const FileError&) {
    m_lastReport.clear();
  }
  KeepNewestReports();

  if (m_settings.ShowErrorCB) AskToMail(message, baseName);
}

void ErrorReporter::KeepNewestReports() const {
  QDir dir(QString::fromStdString(m_errorsDir));
  QFileInfoList reports = dir.entryInfoList({"*_Error*.txt"}, QDir::Files, QDir::Time | QDir::Reversed);
  // Oldest first; equal times by name, which carries the date.
  std::stable_sort(reports.begin(), reports.end(), [](const QFileInfo& a, const QFileInfo& b) {
    if (a.lastModified() != b.lastModified()) return a.lastModified() < b.lastModified();
    return a.fileName() < b.fileName();
  });
  for (qsizetype i = 0; i + kMaxReports < reports.size(); ++i) {
    dir.remove(reports[i].fileName());
    dir.remove(reports[i].completeBaseName() + ".jpg");
  }
}

void ErrorReporter::AskToMail(const std::string& message, const std::string& baseName) {
  if (m_boxOpen || !platform.askYesNo) return;
  m_boxOpen = true;
  const QString title = QString::fromStdString(m_title) + ToQ(W(". Ошибка !!!"));
  const bool yes = platform.askYesNo(title, BoxText(message, baseName));
  if (yes) {
    QStringList args = {"--subject", ToQ(W("Ошибка. Программа=")) + QString::fromStdString(m_title)};
    if (!m_lastReport.empty()) {
      const std::optional<std::string> body = ReadWholeFile(m_lastReport);
      if (body) args << "--body" << ToQ(*body);
      args << "--attach" << QString::fromStdString(m_lastReport);
    }
    if (!m_lastPicture.empty()) args << "--attach" << QString::fromStdString(m_lastPicture);
    args << kSupportAddress;
    // Told later, perhaps after this reporter: it keeps nothing of it.
    const QString noMail = ToQ(W("Нет почтовой программы. Отчёт об ошибке лежит в папке: ")) +
                           QString::fromStdString(m_errorsDir) + "/\n" +
                           QString::fromStdString(baseName) + ".txt, .jpg";
    auto tell = [showInfo = platform.showInfo, title, noMail] {
      if (showInfo) showInfo(title, noMail);
    };
    if (platform.startMail) {
      platform.startMail(args, tell);
    } else {
      tell();
    }
  }
  m_boxOpen = false;
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
