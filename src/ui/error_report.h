// The error reports of the group "Генератор ошибок": every error that
// escapes a handler of the window comes here. With OnErrorCB on it writes
// a picture of the active window (JPEG, quality 100) and a text report
// (Windows-1251, CR LF) into the folder Errors/ of the working folder and,
// with ShowErrorCB on, asks in a Yes/No box whether to mail them (a mail
// that no mail program takes is said in a box naming the report's files);
// with OnErrorCB off the platform's error box shows the message.
//
// Against an error that recurs at every event: the same message is
// reported at most once a minute, one box is shown at a time, a name that
// exists gets a suffix, and only the newest kMaxReports reports are kept.
// Main thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <string>

#include "base/date_time.h"
#include "program/error_report_rules.h"

class QWidget;

namespace pelmo {

struct BotSettings;

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
  static constexpr int kMaxReports = ErrorReportRules::kMaxReports;
  static constexpr int kRepeatSeconds = ErrorReportRules::kRepeatSeconds;

  // errorsDir: <working folder>/Errors. programName: the program file's
  // name. title: the application title ("Pelmo_bot v 1.3").
  ErrorReporter(const Clock& clock, const BotSettings& settings, std::string errorsDir,
                std::string programName, std::string title);

  // Reports one error (message as ToLogText gives it: Windows-1251).
  // active: the active window, or null when there is none: the report is
  // then named "none" and the fallback window is pictured.
  void Report(const std::string& message, QWidget* active, QWidget* fallback);

  // programName + "_" + window + "_ddmmyyyy_hhnnss" + "_Error".
  std::string BaseName(const std::string& window, TDateTime now) const;
  // The report file's contents (Windows-1251, CR LF).
  static std::string ReportText(const std::string& message, const std::string& computer,
                                const std::string& user);
  // The Yes/No box's text.
  QString BoxText(const std::string& message, const std::string& baseName) const;

  const std::string& ErrorsDir() const { return m_errorsDir; }
  // The files of the last report written ("" before the first).
  const std::string& LastReport() const { return m_lastReport; }
  const std::string& LastPicture() const { return m_lastPicture; }

  ErrorReportPlatform platform;

 private:
  void KeepNewestReports() const;
  void AskToMail(const std::string& message, const std::string& baseName);

  const Clock& m_clock;
  const BotSettings& m_settings;
  std::string m_errorsDir;
  ErrorReportRules m_rules;
  std::string m_title;
  bool m_boxOpen = false;
  std::string m_lastReport;
  std::string m_lastPicture;
};

// The default platform: Qt message boxes and xdg-email.
ErrorReportPlatform DefaultErrorReportPlatform();

}  // namespace pelmo
