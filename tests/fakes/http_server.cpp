#include "fakes/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace pelmo {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string HttpServerRequest::Header(const std::string& name) const {
  const std::string wanted = Lower(name) + ":";
  std::size_t start = head.find("\r\n");
  while (start != std::string::npos) {
    start += 2;
    std::size_t end = head.find("\r\n", start);
    std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (Lower(line).rfind(wanted, 0) == 0) {
      std::string value = line.substr(wanted.size());
      while (!value.empty() && value.front() == ' ') value.erase(0, 1);
      return value;
    }
    start = end;
  }
  return "";
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : m_handler(std::move(handler)) {
  m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listen < 0) throw std::runtime_error("http server: socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listen, 16) != 0 ||
      ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(m_listen);
    throw std::runtime_error("http server: bind");
  }
  m_port = ntohs(address.sin_port);
  m_thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

void LoopbackHttpServer::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  if (m_listen >= 0) ::close(m_listen);
  m_listen = -1;
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<HttpServerRequest> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

bool LoopbackHttpServer::Wait(std::chrono::milliseconds delay) {
  const auto until = std::chrono::steady_clock::now() + delay;
  while (std::chrono::steady_clock::now() < until) {
    if (m_stop) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !m_stop;
}

void LoopbackHttpServer::Serve() {
  while (!m_stop) {
    pollfd p{m_listen, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    ::close(fd);
  }
}

void LoopbackHttpServer::Answer(int fd) {
  std::string head;
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    pollfd p{fd, POLLIN, 0};
    if (m_stop) return;
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[4096];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  HttpServerRequest request;
  request.head = head.substr(0, head.find("\r\n\r\n"));
  const std::size_t space = request.head.find(' ');
  const std::size_t space2 = request.head.find(' ', space + 1);
  if (space != std::string::npos && space2 != std::string::npos) {
    request.target = request.head.substr(space + 1, space2 - space - 1);
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(request);
  }
  const HttpServerAnswer answer = m_handler(request);
  if (!Wait(answer.delay)) return;
  std::string out = "HTTP/1.0 " + std::to_string(answer.status) + " X\r\n";
  for (const std::string& header : answer.headers) out += header + "\r\n";
  if (answer.sendLength) out += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
  out += "Connection: close\r\n\r\n";
  if (answer.chunk == 0) {
    SendAll(fd, out + answer.body);
    return;
  }
  if (!SendAll(fd, out)) return;
  for (std::size_t at = 0; at < answer.body.size(); at += answer.chunk) {
    if (!SendAll(fd, answer.body.substr(at, answer.chunk))) return;
    if (!Wait(answer.delay)) return;
  }
}

}  // namespace pelmo
