// Round trips through a whole bot on loopback (real sockets read on the
// bot's main thread as the Linux programs read them, the interpreter,
// every service installed, the flood counter with
// a year of stat.ini, a log file near its size limit), beside a bare UDP
// echo over the same loopback: "!help" (a command, logged to the file and
// counted) and a presence probe (no file, no service). Each iteration
// takes one echo, one "!help" and one probe in turn, each timed on its
// own, so that the machine's load of the moment weighs on all three alike;
// the client encodes a fresh packet and decodes the answer in all three.
// After the run the medians and their ratios to the echo are printed.
// Targets: "!help" at most 1.15 times the echo, the probe 1.05. The run
// lasts five seconds (some hundred thousand round trips of each): in a
// run of one second the ratios wander by a tenth from run to run.
//
// On a virtual machine, a wake-up that crosses to another processor costs
// some tens of microseconds, and left to the scheduler the echo and the
// bot need not be placed alike. Two placements compare them alike:
// "taskset -c 0" keeps every thread on one processor; PELMO_BENCH_SPLIT=1
// puts the client on one processor and the echo and the bot together on
// another.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/cp1251.h"
#include "base/poll_event_loop.h"
#include "core/bot.h"
#include "fakes/bot_fixture.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_peer.h"
#include "games/install_games.h"
#include "services/install_services.h"
#include "times_reporter.h"
#include "year_of_stats.h"

namespace {

using namespace pelmo;
using namespace std::chrono_literals;
using Samples = std::vector<double>;

// A working folder as a bot has it after a while: a year of statistics,
// a log file just under its limit, some hundreds of users seen, a ban
// list. The help text is short, so that the answer is as big as the
// request and the echo: what is measured is the bot's work, not the
// cipher's on a long text.
void FillFolder(TempDir& dir, std::uint16_t port) {
  dir.WriteFile("Net.ini", LoopbackNetIni(port, {"StartMsgPrivate=0"}));
  dir.WriteFile("botfile/help.txt", W("Команды бота:\r\n!help - помощь\r\n"));
  dir.WriteFile("botfile/stat.ini", YearOfStats());
  std::string log;
  while (log.size() < 200000) log += W("[12:00]Vasya (PC7): обычная строка в чате\r\n");
  dir.WriteFile("botfile/log.txt", log);
  std::string seen, bans;
  for (int i = 0; i < 400; ++i) {
    seen += "user" + std::to_string(i) + "\x8F" + "12:00/01.01.2026\r\n";
  }
  bans = "[BanList]\r\n";
  for (int i = 0; i < 30; ++i) bans += "BADPC" + std::to_string(i) + "=01.01.2099 00:00:00\r\n";
  dir.WriteFile("botfile/seen.txt", seen);
  dir.WriteFile("botfile/ban.txt", bans);
}

// PELMO_BENCH_SPLIT=1: the client on the first processor it may use, the
// echo and the bot together on the second, so that both answer across
// processors alike (left to the scheduler, one may share the client's
// processor and the other not, and the figures then say where the
// scheduler put them).
struct Processors {
  int client;
  int servers;
};

std::optional<Processors> SplitProcessors() {
  const char* split = std::getenv("PELMO_BENCH_SPLIT");
  if (split == nullptr || std::string(split) != "1") return std::nullopt;
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2) {
    return std::nullopt;
  }
  std::vector<int> cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE && cpus.size() < 2; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) cpus.push_back(cpu);
  }
  return Processors{cpus[0], cpus[1]};
}

void Pin(pthread_t thread, int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  pthread_setaffinity_np(thread, sizeof one, &one);
}

// The bot on its own main thread, as pelmobot runs it.
class LiveBot {
 public:
  LiveBot() {
    port = FindFreeLoopbackPort();
    FillFolder(dir, port);
    m_thread = std::thread([this] {
      // Placed before the bot starts, so that every thread it starts (the
      // log's writer among them) is placed with it.
      if (const std::optional<Processors> split = SplitProcessors()) {
        Pin(pthread_self(), split->servers);
      }
      BotOptions options;
      options.workDir = dir.Path();
      options.configDir = dir.FilePath("config");
      options.interfaces = {Loopback(1)};
      Bot bot(m_loop, m_clock, options);
      std::unique_ptr<InstalledServices> services = InstallServices(bot.Services());
      std::unique_ptr<Games> games = InstallGames(bot.Services());
      m_loop.Post([&bot] { bot.Open(); });
      m_loop.Run();
      bot.Close();
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
    echoPort = echo.LocalPort();
    // The bare echo: a wait, a read into a buffer kept for the run, a
    // send, as the bot's loop waits and reads, and nothing else.
    echoThread = std::thread([this] {
      std::vector<std::uint8_t> buffer(65536);
      while (!stop) {
        pollfd ready{echo.Fd(), POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(echo.Fd(), buffer.data(), buffer.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received <= 0) continue;
        ::sendto(echo.Fd(), buffer.data(), static_cast<std::size_t>(received), 0,
                 reinterpret_cast<const sockaddr*>(&from), fromLength);
      }
    });
    // Wait for the bot's start: the first answered help.
    for (int i = 0; i < 100 && !AskHelp(); ++i) {
    }
    PlaceThreads();
  }

  void PlaceThreads() {
    const std::optional<Processors> split = SplitProcessors();
    if (!split) return;
    Pin(pthread_self(), split->client);
    Pin(echoThread.native_handle(), split->servers);
    std::printf("client on processor %d, echo and bot on processor %d\n", split->client,
                split->servers);
  }
  ~World() {
    stop = true;
    echoThread.join();
  }

  bool AskHelp() {
    peer.SendPacket(Loopback(1), bot.port, kPacketChatLine, ChatLinePayload("Main", "!help"));
    return peer.ReceivePacketOfType(kPacketChatLine, 100ms).has_value();
  }
  bool Probe() {
    peer.SendPacket(Loopback(1), bot.port, kPacketProbe, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    return peer.ReceivePacketOfType(kPacketPresenceReply, 100ms).has_value();
  }
  // A packet as big as the help request, encoded afresh and decoded when
  // it comes back, as the bot's answers are.
  bool Echo() {
    peer.SendRaw(Loopback(3), echoPort,
                 peer.EncodePacket(kPacketChatLine, ChatLinePayload("Main", "!help")));
    std::optional<PeerDatagram> back = peer.Receive(100ms);
    return back && peer.DecodePacket(*back).has_value();
  }

  LiveBot bot;
  UdpPeer peer;
  UdpPeer echo;
  // Asked once: a system call in each timed echo would slow the echo alone.
  std::uint16_t echoPort = 0;
  std::atomic<bool> stop{false};
  std::thread echoThread;
  Samples echoTimes, helpTimes, probeTimes;
};

World& TheWorld() {
  static World world;
  return world;
}

template <typename F>
bool Timed(Samples& samples, F&& roundTrip) {
  const auto start = std::chrono::steady_clock::now();
  const bool answered = roundTrip();
  samples.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return answered;
}

void BM_EchoHelpProbe(benchmark::State& state) {
  World& w = TheWorld();
  for (auto _ : state) {
    if (!Timed(w.echoTimes, [&] { return w.Echo(); })) {
      state.SkipWithError("no echo");
      break;
    }
    if (!Timed(w.helpTimes, [&] { return w.AskHelp(); })) {
      state.SkipWithError("no answer to \"!help\"");
      break;
    }
    if (!Timed(w.probeTimes, [&] { return w.Probe(); })) {
      state.SkipWithError("no answer to the probe");
      break;
    }
  }
}

BENCHMARK(BM_EchoHelpProbe)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(5);

double Median(Samples samples) {
  if (samples.empty()) return 0;
  const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
  std::nth_element(samples.begin(), middle, samples.end());
  return *middle;
}

void PrintRatios(const TimesReporter&) {
  const World& w = TheWorld();
  const double echo = Median(w.echoTimes);
  if (echo <= 0) return;
  const double help = Median(w.helpTimes);
  const double probe = Median(w.probeTimes);
  std::printf("\nmedians of %zu round trips each: bare UDP echo %.1f us, \"!help\" %.1f us, "
              "probe %.1f us\n",
              w.echoTimes.size(), echo * 1e6, help * 1e6, probe * 1e6);
  std::printf("ratio \"!help\"/echo %.2f (target at most 1.15), probe/echo %.2f (target at most "
              "1.05)\n",
              help / echo, probe / echo);
}

}  // namespace

int main(int argc, char** argv) { return RunAndPrint(argc, argv, PrintRatios); }
