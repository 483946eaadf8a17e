// The weather's HTTP GET on Windows through WinHTTP, a part of the system,
// with the same rules as the libcurl one on Linux: http and https only,
// at most 10 redirects (WinHTTP follows them, never from https to http),
// basic credentials sent with the first request, a named proxy or none
// (not the system's), time limits and a cap on the body. A watcher closes
// the request when cancel is set or the total time is up, which breaks off
// a blocking call.
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/windows_text_win.h"
#include "services/http_fetch.h"

namespace pelmo {

namespace {

constexpr wchar_t kUserAgent[] = L"Mozilla/3.0 (compatible; Indy Library)";
constexpr DWORD kMaxRedirects = 10;

struct InternetHandle {
  HINTERNET handle = nullptr;
  ~InternetHandle() {
    if (handle != nullptr) ::WinHttpCloseHandle(handle);
  }
};

std::string ErrorText(const char* what, DWORD code) {
  if (code == 0) return what;
  if (code == ERROR_WINHTTP_TIMEOUT) return std::string(what) + ": timed out";
  std::string text = SystemErrorUtf8(code);
  if (text.empty()) {
    // WinHTTP keeps its own message table.
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
        nullptr);
    if (length != 0 && buffer != nullptr) text = Utf8FromWide(std::wstring_view(buffer, length));
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  }
  if (text.empty()) text = "error " + std::to_string(code);
  return std::string(what) + ": " + text;
}

// Closes the request from another thread when cancel is set or the
// deadline passes; the caller's own close then does nothing.
class Watcher {
 public:
  Watcher(HINTERNET request, const std::atomic<bool>* cancel,
          std::chrono::steady_clock::time_point deadline)
      : m_request(request), m_thread([this, cancel, deadline] {
          std::unique_lock<std::mutex> lock(m_mutex);
          while (!m_done) {
            const bool cancelled = cancel != nullptr && cancel->load();
            if (cancelled || std::chrono::steady_clock::now() >= deadline) {
              m_why = cancelled ? "cancelled" : "timed out";
              ::WinHttpCloseHandle(m_request);
              m_closed = true;
              return;
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(100));
          }
        }) {}
  ~Watcher() { Finish(); }
  // Stops watching; true when the watcher closed the request.
  bool Finish() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    return m_closed;
  }
  const char* Why() const { return m_why; }

 private:
  HINTERNET m_request;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_done = false;
  bool m_closed = false;
  const char* m_why = "";
  std::thread m_thread;
};

}  // namespace

void HttpGlobalInit() {}

HttpResult HttpGet(const HttpRequest& request, const std::atomic<bool>* cancel) {
  HttpResult result;
  const std::wstring url = WideFromUtf8(request.url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (url.empty() || !::WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    result.error = "адрес не http и не https: " + request.url;
    return result;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  const std::wstring proxy =
      WideFromUtf8(request.proxyHost) + L":" + std::to_wstring(request.proxyPort);
  InternetHandle session{::WinHttpOpen(
      kUserAgent,
      request.proxyHost.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
      request.proxyHost.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(), WINHTTP_NO_PROXY_BYPASS,
      0)};
  if (session.handle == nullptr) {
    result.error = ErrorText("не удалось создать HTTP-запрос", ::GetLastError());
    return result;
  }
  const int connectMs = static_cast<int>(request.limits.connectTimeout.count());
  const int totalMs = static_cast<int>(request.limits.totalTimeout.count());
  ::WinHttpSetTimeouts(session.handle, connectMs, connectMs, totalMs, totalMs);
  DWORD redirects = kMaxRedirects;
  ::WinHttpSetOption(session.handle, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof redirects);

  InternetHandle connection{::WinHttpConnect(session.handle, host.c_str(), parts.nPort, 0)};
  if (connection.handle == nullptr) {
    result.error = ErrorText("не удалось подключиться", ::GetLastError());
    return result;
  }
  const HINTERNET handle = ::WinHttpOpenRequest(
      connection.handle, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
      WINHTTP_DEFAULT_ACCEPT_TYPES, parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
  if (handle == nullptr) {
    result.error = ErrorText("не удалось создать HTTP-запрос", ::GetLastError());
    return result;
  }
  Watcher watcher(handle, cancel,
                  std::chrono::steady_clock::now() + request.limits.totalTimeout);
  const auto fail = [&](const char* what, DWORD code) {
    const bool closed = watcher.Finish();
    if (!closed) ::WinHttpCloseHandle(handle);
    result.error = closed ? std::string(watcher.Why()) : ErrorText(what, code);
    result.body.clear();
    return result;
  };

  if (!request.username.empty() &&
      !::WinHttpSetCredentials(handle, WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC,
                               WideFromUtf8(request.username).c_str(),
                               WideFromUtf8(request.password).c_str(), nullptr)) {
    return fail("cannot set the credentials", ::GetLastError());
  }
  const wchar_t headers[] = L"Accept: text/html, */*\r\n";
  if (!::WinHttpSendRequest(handle, headers, static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0,
                            0) ||
      !::WinHttpReceiveResponse(handle, nullptr)) {
    return fail("the request failed", ::GetLastError());
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
    return fail("no status in the answer", ::GetLastError());
  }
  if (status >= 400) {
    const bool closed = watcher.Finish();
    if (!closed) ::WinHttpCloseHandle(handle);
    result.error = "сервер ответил кодом " + std::to_string(status);
    return result;
  }
  // The charset of the text is the caller's to read from it.
  wchar_t type[256];
  DWORD typeSize = sizeof type;
  if (::WinHttpQueryHeaders(handle, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, type,
                            &typeSize, WINHTTP_NO_HEADER_INDEX)) {
    result.contentType = Utf8FromWide(std::wstring_view(type, typeSize / sizeof(wchar_t)));
  }
  std::string body;
  for (;;) {
    if (cancel != nullptr && cancel->load()) return fail("cancelled", 0);
    char buffer[16384];
    DWORD got = 0;
    if (!::WinHttpReadData(handle, buffer, sizeof buffer, &got)) {
      return fail("the answer was cut off", ::GetLastError());
    }
    if (got == 0) break;
    if (body.size() + got > request.limits.maxBody) {
      const bool closed = watcher.Finish();
      if (!closed) ::WinHttpCloseHandle(handle);
      result.error =
          "ответ больше " + std::to_string(request.limits.maxBody) + " байт";
      return result;
    }
    body.append(buffer, got);
  }
  const bool closed = watcher.Finish();
  if (closed) {
    result.error = watcher.Why();
    return result;
  }
  ::WinHttpCloseHandle(handle);
  result.ok = true;
  result.body = std::move(body);
  return result;
}

}  // namespace pelmo
