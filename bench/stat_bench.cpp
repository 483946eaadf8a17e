// The flood statistics on a year of stat.ini: 50 hosts, each with 365 "Day-"
// keys, 53 "Week-" keys, a few nicks and a total (about 1 MB). Counting one
// command line (done for every command, before its reply) and a "top" over
// the whole file are measured beside one plain read of the same file, and
// each is printed as a ratio to that read after the run. Targets: counting
// and "top" each well under 10 ms. The periodic rewrite of the file (once a
// second at most, off the reply path) is measured too.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "base/date_time.h"
#include "base/event_loop.h"
#include "base/text_file.h"
#include "core/bot.h"
#include "services/flood_stats.h"
#include "services/stat_store.h"
#include "times_reporter.h"
#include "year_of_stats.h"

namespace {

using namespace pelmo;

// A loop whose timers never fire: the rewrite is measured on its own.
class IdleLoop final : public EventLoop {
 public:
  void Post(Task) override {}
  TimerId StartTimer(std::chrono::milliseconds, bool, Task) override { return 1; }
  void StopTimer(TimerId) override {}
};

class FixedClock final : public Clock {
 public:
  TDateTime Now() const override { return EncodeDateTime({2026, 12, 7, 12, 0, 0, 0}); }
  std::uint64_t TickMs() const override { return 0; }
};

struct Setup {
  Setup() {
    char pattern[] = "/tmp/pelmo_stat_bench_XXXXXX";
    dir = ::mkdtemp(pattern);
    std::filesystem::create_directories(dir + "/botfile");
    path = dir + "/botfile/stat.ini";
    RewriteFile(path, YearOfStats());
    BotOptions options;
    options.workDir = dir;
    options.configDir = dir + "/config";
    bot = std::make_unique<Bot>(loop, clock, options);
  }
  ~Setup() { std::filesystem::remove_all(dir); }

  std::string dir;
  std::string path;
  IdleLoop loop;
  FixedClock clock;
  std::unique_ptr<Bot> bot;
};

Setup& World() {
  static Setup setup;
  return setup;
}

void BM_ReadStatFile(benchmark::State& state) {
  for (auto _ : state) {
    auto contents = ReadWholeFile(World().path);
    benchmark::DoNotOptimize(contents);
  }
}

void BM_CountCommandLine(benchmark::State& state) {
  Setup& world = World();
  StatStore store(world.path, world.loop);
  FloodStats stats(store, world.bot->Parts().replies, world.clock);
  stats.Count("HOST7", "nick7_1", "help");  // the file is read once, at first use
  for (auto _ : state) stats.Count("HOST7", "nick7_1", "help");
}

void BM_TopReport(benchmark::State& state) {
  Setup& world = World();
  StatStore store(world.path, world.loop);
  FloodStats stats(store, world.bot->Parts().replies, world.clock);
  for (auto _ : state) benchmark::DoNotOptimize(stats.TableReport(0, 10));
}

void BM_HtopReport(benchmark::State& state) {
  Setup& world = World();
  StatStore store(world.path, world.loop);
  FloodStats stats(store, world.bot->Parts().replies, world.clock);
  for (auto _ : state) benchmark::DoNotOptimize(stats.TableReport(1, 10));
}

// What a chat does between two "top" requests: lines are counted, so the
// kept order follows the hosts that changed instead of ranking the file again.
void BM_CountThenTop(benchmark::State& state) {
  Setup& world = World();
  StatStore store(world.path, world.loop);
  FloodStats stats(store, world.bot->Parts().replies, world.clock);
  int host = 0;
  for (auto _ : state) {
    stats.Count("HOST" + std::to_string(host++ % 50), "nick", "!top 10");
    benchmark::DoNotOptimize(stats.TableReport(0, 10));
  }
}

void BM_LoadStatFile(benchmark::State& state) {
  Setup& world = World();
  for (auto _ : state) {
    StatStore store(world.path, world.loop);
    benchmark::DoNotOptimize(store.SectionExists("HOST1"));
  }
}

// The batched rewrite: temporary file, flush, rename.
void BM_RewriteStatFile(benchmark::State& state) {
  Setup& world = World();
  StatStore store(world.path, world.loop);
  for (auto _ : state) {
    store.AddInteger("HOST3", "Total", 1);
    store.Flush();
  }
}

BENCHMARK(BM_ReadStatFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountCommandLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TopReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HtopReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountThenTop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadStatFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RewriteStatFile)->Unit(benchmark::kMicrosecond);

// Each operation beside one read of the file.
void PrintRatios(const TimesReporter& times) {
  const std::optional<double> read = times.Seconds("BM_ReadStatFile");
  if (!read) return;
  std::printf("\nstat.ini of a year for 50 hosts (%lld bytes), beside one read of it "
              "(%.3f ms):\n",
              static_cast<long long>(FileSize(World().path)), *read * 1e3);
  const char* rows[][2] = {{"BM_CountCommandLine", "count one command line (target < 10 ms)"},
                           {"BM_TopReport", "\"top\" over the file     (target < 10 ms)"},
                           {"BM_HtopReport", "\"htop\" over the file"},
                           {"BM_CountThenTop", "count a line, then \"top\" (target < 10 ms)"},
                           {"BM_LoadStatFile", "load at first use"},
                           {"BM_RewriteStatFile", "batched rewrite (<= 1/s, off the reply path)"}};
  for (const auto& row : rows) {
    const std::optional<double> seconds = times.Seconds(row[0]);
    if (!seconds) continue;
    std::printf("  %-46s %9.3f ms  = %8.3f x the read\n", row[1], *seconds * 1e3, *seconds / *read);
  }
}

}  // namespace

int main(int argc, char** argv) { return RunAndPrint(argc, argv, PrintRatios); }
