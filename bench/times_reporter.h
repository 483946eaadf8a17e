#pragma once
// The console reporter that also keeps each benchmark's real time per
// iteration, so that a benchmark program can print its ratios after the run.
#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      m_seconds[run.benchmark_name()] =
          run.real_accumulated_time / static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Seconds of real time per iteration; nullopt when the benchmark did not run.
  std::optional<double> Seconds(const std::string& name) const {
    const auto it = m_seconds.find(name);
    if (it == m_seconds.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::string, double> m_seconds;
};

// The main of a benchmark program: runs the benchmarks the command line
// picks, then prints the ratios from their times.
inline int RunAndPrint(int argc, char** argv, void (*print)(const TimesReporter&)) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  print(reporter);
  benchmark::Shutdown();
  return 0;
}
