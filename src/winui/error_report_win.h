// The error reports of the group "Генератор ошибок" in the Win32 window:
// every error that escapes a handler of the window comes here. The rules,
// the report file and the texts are the model's (pages/error_report_model.h);
// this adds the picture of the active window (JPEG through GDI+, quality
// 100), the system's boxes and Simple MAPI. Main thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "pages/error_report_model.h"

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
  static constexpr int kMaxReports = ErrorReportModel::kMaxReports;

  // errorsDir: <working folder>/Errors (UTF-8); programName: the program
  // file's name; title: the application title.
  ErrorReporter(const Clock& clock, const BotSettings& settings, std::string errorsDir,
                std::string programName, std::string title);

  // Reports one error (message in Windows-1251). active: the active
  // window, or null: the report is then named "none" and fallback is
  // pictured.
  void Report(const std::string& message, HWND active, HWND fallback);

  // The files of the last report written ("" when not written), UTF-8.
  const std::string& LastReport() const { return m_model.LastReport(); }
  const std::string& LastPicture() const { return m_model.LastPicture(); }

  ErrorReportPlatform platform;

 private:
  ErrorReportModel m_model;
};

// The system's boxes over owner() and Simple MAPI.
ErrorReportPlatform DefaultErrorReportPlatform(std::function<HWND()> owner);

}  // namespace pelmo::winui
