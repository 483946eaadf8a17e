// A small HTTP/1.0 server on 127.0.0.1 for tests: a free port, a thread
// that answers one connection at a time with what the handler returns and
// closes it, and the requests it got (request line and header lines as
// received). An answer may wait before it is sent (a slow server); the
// wait ends early when the server stops. Start and Stop on the test's
// thread; the handler runs on the server's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelmo {

struct HttpServerRequest {
  std::string target;  // "/path?query" (or the whole URL through a proxy)
  std::string head;    // request line and headers, CR LF separated
  // The value of the first header of that name (case-insensitive); "" if none.
  std::string Header(const std::string& name) const;
};

struct HttpServerAnswer {
  int status = 200;
  std::vector<std::string> headers;  // "Name: value"
  std::string body;
  std::chrono::milliseconds delay{0};  // before anything is sent
  // Send the body in pieces of this size with delay between them (0: once).
  std::size_t chunk = 0;
  bool sendLength = true;  // a Content-Length header
};

class LoopbackHttpServer {
 public:
  using Handler = std::function<HttpServerAnswer(const HttpServerRequest&)>;

  explicit LoopbackHttpServer(Handler handler);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::uint16_t Port() const { return m_port; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;
  std::vector<HttpServerRequest> Requests() const;
  void Stop();

 private:
  void Serve();
  void Answer(int fd);
  bool Wait(std::chrono::milliseconds delay);

  Handler m_handler;
  int m_listen = -1;
  std::uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<HttpServerRequest> m_requests;
  std::thread m_thread;
};

}  // namespace pelmo
