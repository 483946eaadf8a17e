#include "winui/error_report_win.h"

#include <mapi.h>

#include <utility>
#include <vector>

#include "base/windows_text_win.h"
#include "winui/controls_win.h"
#include "winui/picture_win.h"

namespace pelmo::winui {

namespace {

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

}  // namespace

ErrorReporter::ErrorReporter(const Clock& clock, const BotSettings& settings,
                             std::string errorsDir, std::string programName, std::string title)
    : platform(DefaultErrorReportPlatform([] { return ::GetActiveWindow(); })),
      m_model(clock, settings, std::move(errorsDir), std::move(programName), std::move(title)) {}

void ErrorReporter::Report(const std::string& message, HWND active, HWND fallback) {
  std::string window = active != nullptr ? WindowName(active) : "none";
  if (window.empty()) window = "Window";
  HWND pictured = active != nullptr ? active : fallback;
  ErrorReportToolkit toolkit;
  toolkit.writePicture = [pictured](const std::string& path) {
    return pictured != nullptr &&
           SaveWindowPicture(pictured, WideFromUtf8(path), PictureFormat::kJpeg, 100);
  };
  if (platform.askYesNo) {
    toolkit.askYesNo = [ask = platform.askYesNo](const std::string& title, const std::string& text) {
      return ask(Wide(title), Wide(text));
    };
  }
  if (platform.showError) {
    toolkit.showError = [show = platform.showError](const std::string& title,
                                                    const std::string& text) {
      show(Wide(title), Wide(text));
    };
  }
  if (platform.showInfo) {
    toolkit.showInfo = [show = platform.showInfo](const std::string& title,
                                                   const std::string& text) {
      show(Wide(title), Wide(text));
    };
  }
  if (platform.sendMail) {
    toolkit.sendMail = [send = platform.sendMail](const ErrorMail& mail,
                                                   std::function<void()> failed) {
      if (!send(mail.subject, mail.body, WideFromUtf8(mail.report), WideFromUtf8(mail.picture))) {
        failed();
      }
    };
  }
  m_model.Report(message, window, toolkit);
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
