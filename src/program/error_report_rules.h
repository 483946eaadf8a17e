// What the error reports of every window front-end share: the files'
// names and the report's text, and the rule against an error that recurs
// at every event (the same message at most once a minute). The pictures,
// the boxes and the mail are each window's own.
#pragma once

#include <map>
#include <string>

#include "base/date_time.h"

namespace pelmo {

class ErrorReportRules {
 public:
  static constexpr int kMaxReports = 200;
  static constexpr int kRepeatSeconds = 60;

  // errorsDir: <working folder>/Errors (UTF-8); programName: the program
  // file's name.
  ErrorReportRules(std::string errorsDir, std::string programName);

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

  const std::string& ErrorsDir() const { return m_errorsDir; }

 private:
  std::string m_errorsDir;
  std::string m_programName;
  std::map<std::string, TDateTime> m_lastSeen;
};

}  // namespace pelmo
