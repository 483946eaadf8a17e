#include "pages/error_report_model.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/bot_settings.h"
#include "program/machine_names.h"

namespace pelmo {

namespace {

namespace fs = std::filesystem;

constexpr double kSecondsPerDay = 86400.0;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string NameOf(const fs::path& path) {
  const std::u8string name = path.filename().u8string();
  return std::string(name.begin(), name.end());
}

std::string FileNameOf(const std::string& path) {
  return Utf8ToCp1251(path.substr(path.find_last_of('/') + 1));
}

}  // namespace

ErrorReportModel::ErrorReportModel(const Clock& clock, const BotSettings& settings,
                                   std::string errorsDir, std::string programName,
                                   std::string title)
    : m_clock(clock),
      m_settings(settings),
      m_errorsDir(std::move(errorsDir)),
      m_programName(std::move(programName)),
      m_title(std::move(title)) {}

void ErrorReportModel::Report(const std::string& message, const std::string& window,
                              const ErrorReportToolkit& toolkit) {
  if (!m_settings.OnErrorCB) {
    if (m_boxOpen || !toolkit.showError) return;
    m_boxOpen = true;
    toolkit.showError(m_title, message);
    m_boxOpen = false;
    return;
  }
  if (RepeatedTooSoon(message, m_clock.Now())) return;
  WriteFiles(message, window, toolkit);
  if (m_settings.ShowErrorCB) AskToMail(message, toolkit);
}

void ErrorReportModel::WriteFiles(const std::string& message, const std::string& window,
                                  const ErrorReportToolkit& toolkit) {
  // A folder that cannot be made shows in the report's own write below.
  CreateDirectory(m_errorsDir);
  const std::string baseName = FreeBaseName(window, m_clock.Now());
  m_picturePath = JoinPath(m_errorsDir, baseName + ".jpg");
  m_reportPath = JoinPath(m_errorsDir, baseName + ".txt");
  m_lastPicture =
      toolkit.writePicture && toolkit.writePicture(m_picturePath) ? m_picturePath : std::string();
  m_lastText = ReportText(message, Utf8ToCp1251(ComputerName()), Utf8ToCp1251(UserName()));
  m_lastProblem.clear();
  try {
    RewriteFile(m_reportPath, m_lastText);
    m_lastReport = m_reportPath;
  } catch (const FileError& e) {
    m_lastReport.clear();
    m_lastProblem = WriteProblem(m_reportPath);
    if (m_lastProblem.empty()) m_lastProblem = e.what();
  }
  KeepNewestReports();
}

bool ErrorReportModel::RepeatedTooSoon(const std::string& message, TDateTime now) {
  // Forget what is older than the interval, so the map stays small.
  for (auto it = m_lastSeen.begin(); it != m_lastSeen.end();) {
    it = (now - it->second) * kSecondsPerDay >= kRepeatSeconds ? m_lastSeen.erase(it) : ++it;
  }
  if (m_lastSeen.count(message) != 0) return true;
  m_lastSeen[message] = now;
  return false;
}

std::string ErrorReportModel::BaseName(const std::string& window, TDateTime now) const {
  return m_programName + "_" + window + FormatDateTime("_ddmmyyyy_hhnnss", now) + "_Error";
}

std::string ErrorReportModel::FreeBaseName(const std::string& window, TDateTime now) const {
  const std::string stem = BaseName(window, now);
  std::string baseName = stem;
  for (int n = 2; FileExists(JoinPath(m_errorsDir, baseName + ".txt")) ||
                  FileExists(JoinPath(m_errorsDir, baseName + ".jpg"));
       ++n) {
    baseName = stem + "_" + std::to_string(n);
  }
  return baseName;
}

std::string ErrorReportModel::ReportText(const std::string& message, const std::string& computer,
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

std::string ErrorReportModel::BoxText(const std::string& message) const {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  const std::string dir = Utf8ToCp1251(m_errorsDir);
  text += "\n\n";
  if (!m_lastReport.empty()) {
    text += W("Отчёт об ошибке записан в папку: ") + dir + "\n" + W("Имя файла ошибки: ") +
            FileNameOf(m_lastReport);
    if (!m_lastPicture.empty()) text += W(", снимок окна: ") + FileNameOf(m_lastPicture);
  } else {
    text += W("Отчёт об ошибке не записан: файл ") + FileNameOf(m_reportPath) + W(" в папке ") +
            dir + W(" не создать (") + Utf8ToCp1251(m_lastProblem) + ").";
    if (!m_lastPicture.empty()) text += "\n" + W("Записан снимок окна: ") + FileNameOf(m_lastPicture);
  }
  return text + "\n" + W("Сгенерировать письмо в службу поддержки с ошибкой ?");
}

std::string ErrorReportModel::NoMailText() const {
  const std::string dir = Utf8ToCp1251(m_errorsDir);
  std::vector<std::string> written;
  for (const std::string* path : {&m_lastReport, &m_lastPicture}) {
    if (!path->empty()) written.push_back(FileNameOf(*path));
  }
  std::string text = W("Нет почтовой программы. ");
  if (m_lastReport.empty()) {
    text += W("Отчёт об ошибке не записан в папку ") + dir + ": " +
            Utf8ToCp1251(m_lastProblem) + ".";
    if (!written.empty()) text += "\n" + W("Записан снимок окна: ") + written[0];
    return text;
  }
  text += W("Отчёт об ошибке лежит в папке: ") + dir + "\n" + written[0];
  if (written.size() > 1) text += ", " + written[1];
  return text;
}

void ErrorReportModel::KeepNewestReports() const {
  struct Found {
    fs::path path;
    fs::file_time_type written;
  };
  std::vector<Found> reports;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(PathOf(m_errorsDir), error)) {
    const std::string name = NameOf(entry.path());
    if (name.find("_Error") == std::string::npos || entry.path().extension() != ".txt") continue;
    std::error_code timeError;
    reports.push_back({entry.path(), entry.last_write_time(timeError)});
  }
  // Oldest first; equal times by name, which carries the date.
  std::sort(reports.begin(), reports.end(), [](const Found& a, const Found& b) {
    if (a.written != b.written) return a.written < b.written;
    return a.path.filename() < b.path.filename();
  });
  for (std::size_t i = 0; i + kMaxReports < reports.size(); ++i) {
    fs::path picture = reports[i].path;
    picture.replace_extension(".jpg");
    fs::remove(reports[i].path, error);
    fs::remove(picture, error);
  }
}

void ErrorReportModel::AskToMail(const std::string& message, const ErrorReportToolkit& toolkit) {
  if (m_boxOpen || !toolkit.askYesNo) return;
  m_boxOpen = true;
  const std::string title = m_title + W(". Ошибка !!!");
  // Taken before the box: an error while it is open writes a report of
  // its own.
  const ErrorMail mail{W("Ошибка. Программа=") + m_title, m_lastText, m_lastReport,
                       m_lastPicture};
  const std::string noMail = NoMailText();
  if (toolkit.askYesNo(title, BoxText(message))) {
    // Told later, perhaps after this model: it keeps nothing of it.
    auto tell = [showInfo = toolkit.showInfo, title, noMail] {
      if (showInfo) showInfo(title, noMail);
    };
    if (toolkit.sendMail) {
      toolkit.sendMail(mail, tell);
    } else {
      tell();
    }
  }
  m_boxOpen = false;
}

}  // namespace pelmo
