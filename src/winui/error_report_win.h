// The error reports of the group "Генератор ошибок" on Windows: every
// error that escapes a handler of the window comes here. With OnErrorCB on
// it writes a picture of the active window (JPEG through GDI+, quality
// 100) and a text report (Windows-1251, CR LF) into the folder Errors of
// the working folder and, with ShowErrorCB on, asks in a Yes/No box
// whether to mail them to the support address through Simple MAPI (a
// machine without a mail program is told so in a box naming the files);
// with OnErrorCB off the system's error box shows the message.
//
// Against an error that recurs at every event: the same message is
// reported at most once a minute, one box is shown at a time, a name that
// exists gets a suffix, and only the newest kMaxReports reports are kept.
// Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "base/date_time.h"
#include "program/error_report_rules.h"

namespace pelmo {
struct BotSettings;
}

namespace pelmo::winui {

// The boxes and the mail; tests put their own in.
struct ErrorReportPlatform {
  // The Yes/No box; true for Yes.
  std::function<bool(const std::wstring& title, const std::wstring& text)> askYesNo;
  // The system's error box (reports off) and an information box.
  std::function<void(const std::wstring& title, const std::wstring& text)> showError;
  std::function<void(const std::wstring& title, const std::wstring& text)> showInfo;
  // Hands a mail to the mail program: false when there is none that
  // takes it (a cancel in the mail program counts as taken).
  std::function<bool(const std::string& subject, const std::string& body,
                     const std::wstring& report, const std::wstring& picture)>
      sendMail;
};

class ErrorReporter {
 public:
  static constexpr int kMaxReports = ErrorReportRules::kMaxReports;
  static constexpr int kRepeatSeconds = ErrorReportRules::kRepeatSeconds;

  // errorsDir: <working folder>/Errors (UTF-8); programName: the program
  // file's name; title: the application title.
  ErrorReporter(const Clock& clock, const BotSettings& settings, std::string errorsDir,
                std::string programName, std::string title);

  // Reports one error (message in Windows-1251). active: the active
  // window, or null: the report is then named "none" and fallback is
  // pictured.
  void Report(const std::string& message, HWND active, HWND fallback);

  // programName + "_" + window + "_ddmmyyyy_hhnnss" + "_Error".
  std::string BaseName(const std::string& window, TDateTime now) const;
  // The report file's contents (Windows-1251, CR LF).
  static std::string ReportText(const std::string& message, const std::string& computer,
                                const std::string& user);
  // The Yes/No box's text.
  std::wstring BoxText(const std::string& message, const std::string& baseName) const;

  // The files of the last report written ("" before the first), UTF-8.
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

// The system's boxes over owner() and Simple MAPI.
ErrorReportPlatform DefaultErrorReportPlatform(std::function<HWND()> owner);

}  // namespace pelmo::winui
