#include "services/http_fetch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "fakes/child_process.h"
#include "fakes/http_server.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

HttpServerAnswer Page(const std::string& body) {
  HttpServerAnswer answer;
  answer.body = body;
  return answer;
}

HttpServerAnswer Redirect(const std::string& location) {
  HttpServerAnswer answer;
  answer.status = 302;
  answer.headers = {"Location: " + location};
  return answer;
}

HttpRequest Get(const std::string& url) {
  HttpRequest request;
  request.url = url;
  request.limits.connectTimeout = 2s;
  request.limits.totalTimeout = 5s;
  return request;
}

TEST(HttpFetch, PlainGetSendsTheInformerHeaders) {
  LoopbackHttpServer server([](const HttpServerRequest&) { return Page("document.write(\"x\");"); });
  HttpResult result = HttpGet(Get(server.Url("/inf.js?id=7")));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.body, "document.write(\"x\");");
  ASSERT_EQ(server.Requests().size(), 1u);
  const HttpServerRequest request = server.Requests()[0];
  EXPECT_EQ(request.head.substr(0, request.head.find(' ')), "GET");
  EXPECT_EQ(request.target, "/inf.js?id=7");
  EXPECT_EQ(request.Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
  EXPECT_EQ(request.Header("Accept"), "text/html, */*");
  EXPECT_EQ(request.Header("Authorization"), "");
}

TEST(HttpFetch, FollowsRedirectsButNotTooManyNorOutsideHttp) {
  LoopbackHttpServer server([](const HttpServerRequest& request) {
    if (request.target == "/a") return Redirect("/b");
    if (request.target == "/b") return Redirect("/c");
    if (request.target == "/c") return Page("here");
    if (request.target == "/loop") return Redirect("/loop");
    if (request.target == "/file") return Redirect("file:///etc/passwd");
    if (request.target == "/gopher") return Redirect("gopher://127.0.0.1/");
    return HttpServerAnswer{404, {}, "missing"};
  });
  HttpResult ok = HttpGet(Get(server.Url("/a")));
  ASSERT_TRUE(ok.ok) << ok.error;
  EXPECT_EQ(ok.body, "here");

  HttpResult loop = HttpGet(Get(server.Url("/loop")));
  EXPECT_FALSE(loop.ok);
  // The first request and ten redirects, no more.
  std::size_t loops = 0;
  for (const auto& request : server.Requests()) loops += request.target == "/loop";
  EXPECT_EQ(loops, 11u);

  for (const char* path : {"/file", "/gopher"}) {
    HttpResult refused = HttpGet(Get(server.Url(path)));
    EXPECT_FALSE(refused.ok) << path;
    EXPECT_TRUE(refused.body.empty()) << path;
    EXPECT_FALSE(refused.error.empty()) << path;
  }
}

TEST(HttpFetch, OnlyHttpAndHttpsUrlsAreFetched) {
  TempDir dir;
  dir.WriteFile("secret.txt", "document.write(\"secret\")");
  for (const std::string& url : {"file://" + dir.FilePath("secret.txt"), std::string("ftp://127.0.0.1:1/x"),
                                 std::string("dict://127.0.0.1:1/x"), std::string("")}) {
    HttpResult result = HttpGet(Get(url));
    EXPECT_FALSE(result.ok) << url;
    EXPECT_EQ(result.body, "") << url;
  }
}

TEST(HttpFetch, ErrorStatusIsAFailure) {
  LoopbackHttpServer server([](const HttpServerRequest&) {
    return HttpServerAnswer{404, {}, "document.write(\"not found\")"};
  });
  HttpResult result = HttpGet(Get(server.Url("/none")));
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("404"), std::string::npos) << result.error;
}

TEST(HttpFetch, BasicCredentialsWhenAUserNameIsSet) {
  LoopbackHttpServer server([](const HttpServerRequest& request) {
    // "weather:sun" in base64.
    if (request.Header("Authorization") == "Basic d2VhdGhlcjpzdW4=") return Page("welcome");
    return HttpServerAnswer{401, {"WWW-Authenticate: Basic realm=\"w\""}, "no"};
  });
  HttpRequest request = Get(server.Url("/"));
  EXPECT_FALSE(HttpGet(request).ok);
  request.username = "weather";
  request.password = "sun";
  HttpResult result = HttpGet(request);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.body, "welcome");
}

TEST(HttpFetch, ASlowServerRunsIntoTheTimeOut) {
  LoopbackHttpServer server([](const HttpServerRequest&) {
    HttpServerAnswer answer = Page("late");
    answer.delay = 3s;
    return answer;
  });
  HttpRequest request = Get(server.Url("/"));
  request.limits.totalTimeout = 500ms;
  const auto start = std::chrono::steady_clock::now();
  HttpResult result = HttpGet(request);
  EXPECT_FALSE(result.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_NE(result.error.find("timed out"), std::string::npos) << result.error;
}

TEST(HttpFetch, BodyAboveTheCapIsRefused) {
  for (bool sendLength : {true, false}) {
    LoopbackHttpServer server([sendLength](const HttpServerRequest&) {
      HttpServerAnswer answer = Page(std::string(1024 * 1024 + 1, 'a'));
      answer.sendLength = sendLength;
      return answer;
    });
    HttpResult big = HttpGet(Get(server.Url("/")));
    EXPECT_FALSE(big.ok) << sendLength;
    EXPECT_TRUE(big.body.empty());
    EXPECT_NE(big.error.find("ответ больше 1048576 байт"), std::string::npos) << big.error;
  }
  LoopbackHttpServer exact([](const HttpServerRequest&) {
    HttpServerAnswer answer = Page(std::string(1024 * 1024, 'a'));
    answer.sendLength = false;
    return answer;
  });
  HttpResult fits = HttpGet(Get(exact.Url("/")));
  ASSERT_TRUE(fits.ok) << fits.error;
  EXPECT_EQ(fits.body.size(), 1024u * 1024u);
}

TEST(HttpFetch, ProxyPortField) {
  const std::pair<const char*, long> cases[] = {
      {"3128", 3128}, {"", 80}, {"abc", 80}, {"0", 80}, {"65536", 80}, {"-1", 80}, {" 8080", 8080},
  };
  for (const auto& [text, port] : cases) EXPECT_EQ(ProxyPortValue(text), port) << text;
}

// A free TCP port on 127.0.0.1, a moment ago.
std::uint16_t FreeTcpPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

bool Accepts(std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

TEST(HttpFetch, GoesThroughTheProxyWhenOneIsSet) {
  constexpr const char* kTinyproxy = "/usr/bin/tinyproxy";
  if (::access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed";
  LoopbackHttpServer server([](const HttpServerRequest& request) {
    return Page(request.Header("Via").empty() ? "direct" : "proxied");
  });
  TempDir dir;
  const std::uint16_t port = FreeTcpPort();
  dir.WriteFile("tinyproxy.conf", "Port " + std::to_string(port) +
                                      "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 10\n"
                                      "MaxClients 4\nLogLevel Error\n");
  ChildProcess proxy(kTinyproxy, {"-d", "-c", dir.FilePath("tinyproxy.conf")});
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!Accepts(port) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(Accepts(port)) << "tinyproxy did not come up";

  HttpRequest request = Get(server.Url("/w"));
  request.proxyHost = "127.0.0.1";
  request.proxyPort = port;
  HttpResult result = HttpGet(request);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.body, "proxied");

  // Without a proxy set, none is taken from the environment.
  ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(port)).c_str(), 1);
  HttpResult direct = HttpGet(Get(server.Url("/w")));
  ::unsetenv("http_proxy");
  ASSERT_TRUE(direct.ok) << direct.error;
  EXPECT_EQ(direct.body, "direct");
}

}  // namespace
}  // namespace pelmo
