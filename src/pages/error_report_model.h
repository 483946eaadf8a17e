// The error report of every window front-end without its toolkit: the
// rules (reports on or off, the same message at most once a minute, one
// box at a time, a free name, only the newest kMaxReports reports kept),
// the report file and the texts of the boxes and the mail. A front-end
// gives it the toolkit's part: the window's picture, the boxes and the
// mail program.
//
// The boxes say what is on the disk: where the report and the picture were
// written, or that they could not be and why, in the system's words.
// Texts are Windows-1251; paths UTF-8. Main thread only.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "base/date_time.h"

namespace pelmo {

class Clock;
struct BotSettings;

inline constexpr const char* kSupportAddress = "support@pelmo-bot.example";

// A mail to the support address: the report's text as its body, and the
// files that were written as attachments (UTF-8 paths, "" when none).
struct ErrorMail {
  std::string subject;
  std::string body;
  std::string report;
  std::string picture;
};

// The toolkit's part of one report; an empty function does nothing (a
// box: no answer, the picture: not written).
struct ErrorReportToolkit {
  // Writes the picture of the window as a JPEG file; false when it could
  // not.
  std::function<bool(const std::string& path)> writePicture;
  // The Yes/No box; true for Yes.
  std::function<bool(const std::string& title, const std::string& text)> askYesNo;
  // The standard error box (reports off) and an information box.
  std::function<void(const std::string& title, const std::string& text)> showError;
  std::function<void(const std::string& title, const std::string& text)> showInfo;
  // Hands the mail to the mail program; failed runs, at once or later on
  // the main thread, when none took it.
  std::function<void(const ErrorMail& mail, std::function<void()> failed)> sendMail;
};

class ErrorReportModel {
 public:
  static constexpr int kMaxReports = 200;
  static constexpr int kRepeatSeconds = 60;

  // errorsDir: <working folder>/Errors; programName: the program file's
  // name; title: the application title. The settings (OnErrorCB,
  // ShowErrorCB) are read at each report and must outlive the model.
  ErrorReportModel(const Clock& clock, const BotSettings& settings, std::string errorsDir,
                   std::string programName, std::string title);

  // Reports one error. window: the active window's name ("none" without
  // one). With OnErrorCB off the message goes to the error box; otherwise
  // the picture and the report are written and, with ShowErrorCB on, the
  // Yes/No box offers the mail.
  void Report(const std::string& message, const std::string& window,
              const ErrorReportToolkit& toolkit);

  // True when the message was reported less than kRepeatSeconds ago;
  // otherwise it counts as reported now.
  bool RepeatedTooSoon(const std::string& message, TDateTime now);
  // programName + "_" + window + "_ddmmyyyy_hhnnss" + "_Error".
  std::string BaseName(const std::string& window, TDateTime now) const;
  // BaseName, with "_2", "_3"... when a report or picture of that name is
  // in the folder already.
  std::string FreeBaseName(const std::string& window, TDateTime now) const;
  // The report file's contents (Windows-1251, CR LF).
  static std::string ReportText(const std::string& message, const std::string& computer,
                                const std::string& user);
  // The Yes/No box's text after the last report: the message with a full
  // stop, where its files were written or why they were not, the question.
  std::string BoxText(const std::string& message) const;
  // The box's text when no mail program took the mail.
  std::string NoMailText() const;

  const std::string& ErrorsDir() const { return m_errorsDir; }
  // The files of the last report written ("" when not written).
  const std::string& LastReport() const { return m_lastReport; }
  const std::string& LastPicture() const { return m_lastPicture; }
  // Why the last report's text file could not be written ("" when it was).
  const std::string& LastProblem() const { return m_lastProblem; }

 private:
  void WriteFiles(const std::string& message, const std::string& window,
                  const ErrorReportToolkit& toolkit);
  void KeepNewestReports() const;
  void AskToMail(const std::string& message, const ErrorReportToolkit& toolkit);

  const Clock& m_clock;
  const BotSettings& m_settings;
  std::string m_errorsDir;
  std::string m_programName;
  std::string m_title;
  std::map<std::string, TDateTime> m_lastSeen;
  bool m_boxOpen = false;
  std::string m_lastText;
  std::string m_lastReport;
  std::string m_lastPicture;
  std::string m_lastProblem;
  // The files of the last report as they were to be named.
  std::string m_reportPath;
  std::string m_picturePath;
};

}  // namespace pelmo
