#include "program/error_report_rules.h"

#include <utility>

#include "base/cp1251.h"
#include "base/text_file.h"

namespace pelmo {

namespace {

constexpr double kSecondsPerDay = 86400.0;

}  // namespace

ErrorReportRules::ErrorReportRules(std::string errorsDir, std::string programName)
    : m_errorsDir(std::move(errorsDir)), m_programName(std::move(programName)) {}

bool ErrorReportRules::RepeatedTooSoon(const std::string& message, TDateTime now) {
  // Forget what is older than the interval, so the map stays small.
  for (auto it = m_lastSeen.begin(); it != m_lastSeen.end();) {
    it = (now - it->second) * kSecondsPerDay >= kRepeatSeconds ? m_lastSeen.erase(it) : ++it;
  }
  if (m_lastSeen.count(message) != 0) return true;
  m_lastSeen[message] = now;
  return false;
}

std::string ErrorReportRules::BaseName(const std::string& window, TDateTime now) const {
  return m_programName + "_" + window + FormatDateTime("_ddmmyyyy_hhnnss", now) + "_Error";
}

std::string ErrorReportRules::FreeBaseName(const std::string& window, TDateTime now) const {
  const std::string stem = BaseName(window, now);
  std::string baseName = stem;
  for (int n = 2; FileExists(JoinPath(m_errorsDir, baseName + ".txt")) ||
                  FileExists(JoinPath(m_errorsDir, baseName + ".jpg"));
       ++n) {
    baseName = stem + "_" + std::to_string(n);
  }
  return baseName;
}

std::string ErrorReportRules::ReportText(const std::string& message, const std::string& computer,
                                         const std::string& user) {
  return JoinLines({
      W("------------- Этот отчет создан автоматически отчетной системой ошибок -------"),
      W("Имя компьютера: [") + computer + "]",
      W("Пользователь: [") + user + "]",
      W("------------- Ошибка ---------------------------------------------------------"),
      message,
      "------------------------------------------------------------------------------",
  });
}

}  // namespace pelmo
