// The weather's HTTP GET on Linux, through libcurl.
#include "services/http_fetch.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace pelmo {

namespace {

constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr long kMaxRedirects = 10;

struct Transfer {
  std::string body;
  std::size_t maxBody = 0;
  bool tooBig = false;
  const std::atomic<bool>* cancel = nullptr;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (transfer->body.size() + bytes > transfer->maxBody) {
    transfer->tooBig = true;
    return 0;  // ends the transfer with a write error
  }
  transfer->body.append(data, bytes);
  return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  return transfer->cancel != nullptr && transfer->cancel->load() ? 1 : 0;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

void HttpGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult HttpGet(const HttpRequest& request, const std::atomic<bool>* cancel) {
  HttpGlobalInit();
  HttpResult result;
  std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) {
    result.error = "не удалось создать HTTP-запрос";
    return result;
  }
  std::unique_ptr<curl_slist, ListDeleter> headers(
      curl_slist_append(nullptr, "Accept: text/html, */*"));
  Transfer transfer;
  transfer.maxBody = request.limits.maxBody;
  transfer.cancel = cancel;
  char errorText[CURL_ERROR_SIZE] = {};

  CURL* h = curl.get();
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  // A file: or any other scheme, first or after a redirect, is refused.
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(request.limits.connectTimeout.count()));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(request.limits.totalTimeout.count()));
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(request.limits.maxBody));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
  if (!request.username.empty()) {
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(h, CURLOPT_USERNAME, request.username.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, request.password.c_str());
  }
  // The empty proxy keeps http_proxy and friends of the environment out:
  // the settings say where the bot connects.
  curl_easy_setopt(h, CURLOPT_PROXY, request.proxyHost.c_str());
  if (!request.proxyHost.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(h, CURLOPT_PROXYPORT, request.proxyPort);
  }

  const CURLcode code = curl_easy_perform(h);
  if (code == CURLE_OK) {
    result.ok = true;
    result.body = std::move(transfer.body);
    const char* type = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr) {
      result.contentType = type;
    }
  } else if (transfer.tooBig || code == CURLE_FILESIZE_EXCEEDED) {
    result.error = "ответ больше " + std::to_string(request.limits.maxBody) + " байт";
  } else if (code == CURLE_ABORTED_BY_CALLBACK) {
    result.error = "cancelled";
  } else {
    result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
  }
  return result;
}

}  // namespace pelmo
