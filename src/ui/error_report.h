// The error reports of the group "Генератор ошибок" in the Qt window:
// every error that escapes a handler of the window comes here. The rules,
// the report file and the texts are the model's (pages/error_report_model.h);
// this adds the picture of the active window (JPEG, quality 100), Qt's
// boxes and xdg-email. Main thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "pages/error_report_model.h"

class QWidget;

namespace pelmo {

// The boxes and the mail program; tests put their own in.
struct ErrorReportPlatform {
  // The Yes/No box; true for Yes.
  std::function<bool(const QString& title, const QString& text)> askYesNo;
  // The standard error box (reports off) and an information box.
  std::function<void(const QString& title, const QString& text)> showError;
  std::function<void(const QString& title, const QString& text)> showInfo;
  // Starts xdg-email with these arguments; failed runs (at once or
  // later, on the main thread) when it cannot be run or no mail program
  // took the mail.
  std::function<void(const QStringList& args, std::function<void()> failed)> startMail;
};

class ErrorReporter {
 public:
  static constexpr int kMaxReports = ErrorReportModel::kMaxReports;

  // errorsDir: <working folder>/Errors. programName: the program file's
  // name. title: the application title ("Pelmo_bot v 1.3").
  ErrorReporter(const Clock& clock, const BotSettings& settings, std::string errorsDir,
                std::string programName, std::string title);

  // Reports one error (message as ToLogText gives it: Windows-1251).
  // active: the active window, or null when there is none: the report is
  // then named "none" and the fallback window is pictured.
  void Report(const std::string& message, QWidget* active, QWidget* fallback);

  // The Yes/No box's text for the last report.
  QString BoxText(const std::string& message) const;

  const std::string& ErrorsDir() const { return m_model.ErrorsDir(); }
  // The files of the last report written ("" when not written).
  const std::string& LastReport() const { return m_model.LastReport(); }
  const std::string& LastPicture() const { return m_model.LastPicture(); }

  ErrorReportPlatform platform;

 private:
  ErrorReportModel m_model;
};

// The default platform: Qt message boxes and xdg-email.
ErrorReportPlatform DefaultErrorReportPlatform();

}  // namespace pelmo
