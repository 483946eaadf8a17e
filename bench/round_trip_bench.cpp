// A "!help" round trip through a whole bot on loopback (real sockets, the
// receive thread, the interpreter, every service installed, the flood
// counter with a year of stat.ini), beside a bare UDP echo of a datagram of
// the same size over the same loopback. The ratio bot / echo is printed
// after the run; the counting of every command must keep it near 1.2.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "base/cp1251.h"
#include "base/poll_event_loop.h"
#include "core/bot.h"
#include "fakes/bot_fixture.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"
#include "services/install_services.h"
#include "times_reporter.h"
#include "year_of_stats.h"

namespace {

using namespace pelmo;
using namespace std::chrono_literals;

// The bot on its own main thread, as pelmobot runs it.
class LiveBot {
 public:
  LiveBot() {
    port = FindFreeLoopbackPort();
    dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0"}));
    dir.WriteFile("botfile/help.txt", W("Команды бота:\r\n!help - помощь\r\n"));
    dir.WriteFile("botfile/stat.ini", YearOfStats());
    m_thread = std::thread([this] {
      BotOptions options;
      options.workDir = dir.Path();
      options.configDir = dir.FilePath("config");
      options.interfaces = {Loopback(1)};
      Bot bot(m_loop, m_clock, options);
      std::unique_ptr<InstalledServices> services = InstallServices(bot.Services());
      m_loop.Post([&bot] { bot.FormCreate(); });
      m_loop.Run();
      bot.FormClose();
    });
  }
  ~LiveBot() {
    m_loop.Quit();
    m_thread.join();
  }

  TempDir dir;
  std::uint16_t port = 0;

 private:
  PollEventLoop m_loop;
  SystemClock m_clock;
  std::thread m_thread;
};

struct World {
  World() {
    peer.Nick = "Tester";
    peer.Host = "HOST7";  // a host with a year of counts
    peer.Bind(Loopback(2), bot.port);
    echo.Bind(Loopback(3), 0, false);
    echoThread = std::thread([this] {
      while (!stop) {
        std::optional<PeerDatagram> datagram = echo.Receive(50ms);
        if (datagram) echo.SendRaw(datagram->SrcAddr, datagram->SrcPort, datagram->Bytes);
      }
    });
    // Wait for the bot's start: the first answered help.
    for (int i = 0; i < 100 && !AskHelp(); ++i) {
    }
  }
  ~World() {
    stop = true;
    echoThread.join();
  }

  bool AskHelp() {
    peer.SendPacket(Loopback(1), bot.port, kPacketChatLine, ChatLinePayload("Main", "!help"));
    return peer.ReceivePacketOfType(kPacketChatLine, 100ms).has_value();
  }

  LiveBot bot;
  UdpPeer peer;
  UdpPeer echo;
  std::atomic<bool> stop{false};
  std::thread echoThread;
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_HelpRoundTrip(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) {
    if (!world.AskHelp()) {
      state.SkipWithError("no answer from the bot");
      break;
    }
  }
}

void BM_UdpEchoRoundTrip(benchmark::State& state) {
  World& world = TheWorld();
  // A datagram the size of the help request.
  const std::vector<std::uint8_t> bytes =
      world.peer.EncodePacket(kPacketChatLine, ChatLinePayload("Main", "!help"));
  for (auto _ : state) {
    world.peer.SendRaw(Loopback(3), world.echo.LocalPort(), bytes);
    if (!world.peer.Receive(100ms)) {
      state.SkipWithError("no echo");
      break;
    }
  }
}

BENCHMARK(BM_UdpEchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HelpRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

// "!help" through the bot beside the bare echo.
void PrintRatio(const TimesReporter& times) {
  const std::optional<double> echo = times.Seconds("BM_UdpEchoRoundTrip/real_time");
  const std::optional<double> help = times.Seconds("BM_HelpRoundTrip/real_time");
  if (!echo || !help) return;
  std::printf("\n\"!help\" round trip with a year of stat.ini: %.1f us, bare UDP echo %.1f us, "
              "ratio %.2f (target about 1.2)\n",
              *help * 1e6, *echo * 1e6, *help / *echo);
}

}  // namespace

int main(int argc, char** argv) { return RunAndPrint(argc, argv, PrintRatio); }
