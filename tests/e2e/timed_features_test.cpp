// The timed features of the real pelmobot: the New Year greeting under
// libfaketime across midnight of 31 December, and the weather refresh from
// an HTTP server on loopback answered by the weather command.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/child_process.h"
#include "fakes/http_server.h"
#include "fakes/pelmobot_peer.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// The library of Debian's faketime, preloaded by env (which execs, so that
// the signals reach the bot itself; the faketime wrapper would fork).
constexpr const char* kFaketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";

class TimedEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kPelmobotProgram == nullptr) GTEST_SKIP() << "pelmobot was not built";
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port));
    ASSERT_TRUE(everybody.Bind(kLoopbackBroadcast, port));
    ASSERT_TRUE(peer.Bind(kPeerAddress, port));
  }

  // The bot's chat lines heard on the socket within timeout.
  std::vector<std::string> LinesFromBot(UdpPeer& socket, std::chrono::milliseconds timeout) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      std::optional<PeerPacket> packet = socket.ReceivePacketOfType(kPacketChatLine, left);
      if (packet && packet->Header.SenderNick == "@Pelmo_bot") lines.push_back(LineText(*packet));
    }
    return lines;
  }

  std::unique_ptr<ChildProcess> StartUnderFaketime(const std::string& start) {
    // A sanitized bot would refuse a library loaded before its runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asanOptions = "ASAN_OPTIONS=";
    if (asan != nullptr && *asan != '\0') asanOptions += std::string(asan) + ":";
    asanOptions += "verify_asan_link_order=0";
    return std::make_unique<ChildProcess>(
        "/usr/bin/env", std::vector<std::string>{std::string("LD_PRELOAD=") + kFaketime,
                                                 "FAKETIME=@" + start, asanOptions,
                                                 kPelmobotProgram, "--dir", dir.Path()});
  }

  void Close(ChildProcess& bot) {
    bot.Signal(SIGTERM);
    std::optional<int> status = bot.Wait(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
  }

  TempDir dir;
  std::uint16_t port = 0;
  UdpPeer everybody;
  UdpPeer peer;
};

TEST_F(TimedEndToEnd, GreetsTheNewYearOnceAcrossMidnight) {
  if (::access(kFaketime, R_OK) != 0) GTEST_SKIP() << "faketime is not installed";
  auto bot = StartUnderFaketime("2026-12-31 23:59:55");
  ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  std::vector<std::string> lines = LinesFromBot(everybody, 8s);
  const std::vector<std::string> expected = {
      W("С Новым Годом.%cf%"),
      W("Пусть всегда будут уют и тепло в вашем доме.%cf%"),
      W("Искренне желаем Вам крепкого здоровья, оптимизма, успехов во всех начинаниях, "
        "осуществления Ваших надежд и желаний.%cf%"),
      W("Сеть Vostra.Net поздравляет вас с первым днём 2027 годом !!%cf%"),
  };
  EXPECT_EQ(lines, expected);
  Close(*bot);
}

TEST_F(TimedEndToEnd, StartedOnTheFirstOfJanuaryGreetsNobody) {
  if (::access(kFaketime, R_OK) != 0) GTEST_SKIP() << "faketime is not installed";
  auto bot = StartUnderFaketime("2027-01-01 00:00:01");
  ASSERT_TRUE(bot->WaitForOutPart("] Started.", 5s));
  EXPECT_TRUE(LinesFromBot(everybody, 2s).empty());
  Close(*bot);
}

TEST_F(TimedEndToEnd, WeatherRefreshFeedsTheWeatherCommand) {
  LoopbackHttpServer server([](const HttpServerRequest&) {
    HttpServerAnswer answer;
    answer.body = W("document.write(\"<b>Пельменск</b><br>-7, метель<br>\");\r\n");
    return answer;
  });
  dir.WriteFile("others.ini", "[Pogoda]\r\nAutPogoda=1\r\nMin=0\r\nSec=1\r\nURL=" +
                                  server.Url("/informer.js") + "\r\n");
  dir.WriteFile("botfile/weather.txt", W("Старая погода\r\n"));
  ChildProcess bot(kPelmobotProgram, {"--dir", dir.Path()});
  ASSERT_TRUE(bot.WaitForOutPart("] Started.", 5s));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (dir.ReadFile("botfile/weather.txt") != W("Пельменск\r\n-7, метель\r\n") &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_EQ(dir.ReadFile("botfile/weather.txt"), W("Пельменск\r\n-7, метель\r\n"));
  EXPECT_GE(server.Requests().size(), 1u);

  ASSERT_TRUE(peer.SendPacket(Loopback(1), port, kPacketChatLine,
                              ChatLinePayload("Main", W("!погода"))));
  std::vector<std::string> replies = LinesFromBot(peer, 2s);
  ASSERT_FALSE(replies.empty());
  EXPECT_EQ(replies[0], "\r\n" + std::string(64, ' ') + W("(*)   Погода   (*)\r\n") +
                            W("Пельменск\r\n-7, метель\r\n"));
  Close(bot);
  // Still refreshing each second: the URL is kept in others.ini at close.
  EXPECT_NE(dir.ReadFile("others.ini").find("URL=" + server.Url("/informer.js")),
            std::string::npos);
}

}  // namespace
}  // namespace pelmo
