// One HTTP GET through libcurl, as the weather download makes it: the
// informer's request headers, redirects followed (at most 10, http and
// https only, also for the first URL), basic credentials when a user name
// is set, a proxy when a proxy host is set (no proxy from the environment
// otherwise), time limits and a cap on the body. Blocking: run it on a
// worker thread. Any thread; calls on different threads are independent.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace pelmo {

struct HttpLimits {
  std::chrono::milliseconds connectTimeout{15000};
  std::chrono::milliseconds totalTimeout{60000};
  std::size_t maxBody = 1024 * 1024;
};

struct HttpRequest {
  std::string url;
  std::string username;  // empty: no credentials
  std::string password;
  std::string proxyHost;  // empty: no proxy
  long proxyPort = 80;
  HttpLimits limits;
};

struct HttpResult {
  bool ok = false;
  std::string body;   // the bytes as received (ok only)
  std::string contentType;  // the answer's Content-Type, "" when it had none
  std::string error;  // what went wrong, one line (not ok)
};

// Call once on the main thread before any worker fetches (libcurl's global
// set-up is not safe to race). Later calls do nothing.
void HttpGlobalInit();

// The GET. A status of 400 or above, a refused scheme, a body above
// maxBody, a time-out or cancel becoming true (checked while the transfer
// runs, at least once a second) end it with ok false.
HttpResult HttpGet(const HttpRequest& request, const std::atomic<bool>* cancel = nullptr);

// The proxy port field: its number, or 80 when it is not a decimal number
// of 1..65535.
long ProxyPortValue(const std::string& text);

}  // namespace pelmo
