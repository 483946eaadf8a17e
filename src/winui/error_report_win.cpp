#include "winui/error_report_win.h"

#include <mapi.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "base/windows_text_win.h"
#include "core/bot_settings.h"
#include "program/machine_names.h"
#include "winui/controls_win.h"
#include "winui/picture_win.h"

namespace pelmo::winui {

namespace {

constexpr const char* kSupportAddress = "support@pelmo-bot.example";

// Simple MAPI's MAPISendMail, where a mail program provides it. The texts
// are the ANSI code page's; this program's are Windows-1251.
bool SendMapiMail(HWND owner, const std::string& subject, const std::string& body,
                  const std::wstring& report, const std::wstring& picture) {
  HMODULE mapi = ::LoadLibraryW(L"MAPI32.DLL");
  if (mapi == nullptr) return false;
  // Through void*: GetProcAddress's type is no function's own.
  auto send = reinterpret_cast<LPMAPISENDMAIL>(
      reinterpret_cast<void*>(::GetProcAddress(mapi, "MAPISendMail")));
  if (send == nullptr) {
    ::FreeLibrary(mapi);
    return false;
  }
  std::string address = std::string("SMTP:") + kSupportAddress;
  MapiRecipDesc recipient{};
  recipient.ulRecipClass = MAPI_TO;
  recipient.lpszName = const_cast<char*>(kSupportAddress);
  recipient.lpszAddress = address.data();
  std::vector<std::string> paths;
  for (const std::wstring& path : {report, picture}) {
    if (!path.empty()) paths.push_back(Narrow(path));
  }
  std::vector<MapiFileDesc> files(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    files[i].nPosition = static_cast<ULONG>(-1);
    files[i].lpszPathName = paths[i].data();
  }
  std::string subjectText = subject;
  std::string bodyText = body;
  MapiMessage message{};
  message.lpszSubject = subjectText.data();
  message.lpszNoteText = bodyText.data();
  message.nRecipCount = 1;
  message.lpRecips = &recipient;
  message.nFileCount = static_cast<ULONG>(files.size());
  message.lpFiles = files.empty() ? nullptr : files.data();
  const ULONG result = send(0, reinterpret_cast<ULONG_PTR>(owner), &message,
                            MAPI_DIALOG | MAPI_LOGON_UI, 0);
  ::FreeLibrary(mapi);
  return result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT;
}

struct ReportFile {
  std::wstring name;
  FILETIME written;
};

}  // namespace

ErrorReporter::ErrorReporter(const Clock& clock, const BotSettings& settings,
                             std::string errorsDir, std::string programName, std::string title)
    : platform(DefaultErrorReportPlatform([] { return ::GetActiveWindow(); })),
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

std::wstring ErrorReporter::BoxText(const std::string& message, const std::string& baseName) const {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return Wide(text) + L"\r\n\r\nОшибка будет сохранена в папку: " + WideFromUtf8(m_errorsDir) +
         L"\\\r\nИмя файла ошибки: " + WideFromUtf8(baseName) +
         L"\r\nСгенерировать письмо в службу поддержки с ошибкой ?";
}

void ErrorReporter::Report(const std::string& message, HWND active, HWND fallback) {
  const std::wstring title = WideFromUtf8(m_title);
  if (!m_settings.OnErrorCB) {
    if (m_boxOpen || !platform.showError) return;
    m_boxOpen = true;
    platform.showError(title, Wide(message));
    m_boxOpen = false;
    return;
  }
  const TDateTime now = m_clock.Now();
  if (m_rules.RepeatedTooSoon(message, now)) return;

  ::CreateDirectoryW(WideFromUtf8(m_errorsDir).c_str(), nullptr);
  std::string window = active != nullptr ? WindowName(active) : "none";
  if (window.empty()) window = "Window";
  const std::string baseName = m_rules.FreeBaseName(window, now);

  HWND pictured = active != nullptr ? active : fallback;
  const std::string picture = JoinPath(m_errorsDir, baseName + ".jpg");
  m_lastPicture = pictured != nullptr &&
                          SaveWindowPicture(pictured, WideFromUtf8(picture), PictureFormat::kJpeg, 100)
                      ? picture
                      : std::string();
  const std::string report = JoinPath(m_errorsDir, baseName + ".txt");
  try {
    RewriteFile(report, ReportText(message, Utf8ToCp1251(ComputerName()), Utf8ToCp1251(UserName())));
    m_lastReport = report;
  } catch (const FileError&) {
    m_lastReport.clear();
  }
  KeepNewestReports();

  if (m_settings.ShowErrorCB) AskToMail(message, baseName);
}

void ErrorReporter::KeepNewestReports() const {
  const std::wstring dir = WideFromUtf8(m_errorsDir) + L"\\";
  std::vector<ReportFile> reports;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((dir + L"*_Error*.txt").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    reports.push_back({found.cFileName, found.ftLastWriteTime});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  // Oldest first; equal times by name, which carries the date.
  std::sort(reports.begin(), reports.end(), [](const ReportFile& a, const ReportFile& b) {
    const LONG order = ::CompareFileTime(&a.written, &b.written);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  for (std::size_t i = 0; i + kMaxReports < reports.size(); ++i) {
    const std::wstring& name = reports[i].name;
    ::DeleteFileW((dir + name).c_str());
    ::DeleteFileW((dir + name.substr(0, name.size() - 4) + L".jpg").c_str());
  }
}

void ErrorReporter::AskToMail(const std::string& message, const std::string& baseName) {
  if (m_boxOpen || !platform.askYesNo) return;
  m_boxOpen = true;
  const std::wstring title = WideFromUtf8(m_title) + L". Ошибка !!!";
  const bool yes = platform.askYesNo(title, BoxText(message, baseName));
  if (yes) {
    std::string body;
    if (!m_lastReport.empty()) body = ReadWholeFile(m_lastReport).value_or(std::string());
    const bool sent = platform.sendMail &&
                      platform.sendMail(W("Ошибка. Программа=") + m_title, body,
                                        WideFromUtf8(m_lastReport), WideFromUtf8(m_lastPicture));
    if (!sent && platform.showInfo) {
      platform.showInfo(title, L"Нет почтовой программы. Отчёт об ошибке лежит в папке: " +
                                   WideFromUtf8(m_errorsDir) + L"\\\r\n" +
                                   WideFromUtf8(baseName) + L".txt, .jpg");
    }
  }
  m_boxOpen = false;
}

ErrorReportPlatform DefaultErrorReportPlatform(std::function<HWND()> owner) {
  ErrorReportPlatform platform;
  platform.askYesNo = [owner](const std::wstring& title, const std::wstring& text) {
    return ::MessageBoxW(owner(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONERROR) == IDYES;
  };
  platform.showError = [owner](const std::wstring& title, const std::wstring& text) {
    ::MessageBoxW(owner(), text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
  };
  platform.showInfo = [owner](const std::wstring& title, const std::wstring& text) {
    ::MessageBoxW(owner(), text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
  };
  platform.sendMail = [owner](const std::string& subject, const std::string& body,
                              const std::wstring& report, const std::wstring& picture) {
    return SendMapiMail(owner(), subject, body, report, picture);
  };
  return platform;
}

}  // namespace pelmo::winui
