// The folder check ("pelmobot --check") on a working folder of realistic
// size: 500000 anecdotes, a 5000-line seen.txt, a year of stat.ini for 50
// hosts, 40 message boxes of which one was written by another
// installation; beside it one read of the anecdotes, the largest file.
// And the recovery of another installation's box mask seed from a box's
// first bytes (a registration greeting, and " " after an emptying).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/data_files.h"
#include "core/work_folder.h"
#include "program/folder_check.h"
#include "services/box_mask.h"
#include "services/jokes.h"
#include "services/offline_messages.h"
#include "times_reporter.h"
#include "year_of_stats.h"

namespace {

using namespace pelmo;

constexpr std::size_t kAnecdotes = 500000;
constexpr int kSeenLines = 5000;
constexpr int kBoxes = 40;
constexpr std::uint32_t kOtherSeed = 0x2468'ACE0u;
constexpr std::size_t kBigCap = 512u * 1024u * 1024u;

std::string Masked(std::string text, std::uint32_t seed) {
  MaskBoxWith(text, text.size(), seed);
  return text;
}

const std::string kRecord = W("\n\r14 марта 2009 г.9:5:30 From Вася: привет");

struct Folder {
  Folder() {
    char pattern[] = "/tmp/pelmo_check_bench_XXXXXX";
    dir = ::mkdtemp(pattern);
    std::filesystem::create_directories(dir + "/botfile");
    std::filesystem::create_directories(dir + "/user");
    const WorkFolder folder(dir);
    RewriteFile(folder.NetIni(), "[net]\r\nip=127.0.0.1\r\nport=50138\r\n");
    CreateMissingDataFiles(folder);

    std::string anecdotes;
    anecdotes.reserve(kAnecdotes * 120);
    for (std::size_t i = 0; i < kAnecdotes; ++i) {
      anecdotes += W("Анекдот номер ") + std::to_string(i) + W(": приходит как-то программист") +
                   "\r\n" + AnecdoteSeparator() + "\r\n";
    }
    RewriteFile(folder.BotFile("anecdot.txt"), anecdotes);
    std::string seen;
    for (int i = 0; i < kSeenLines; ++i) {
      seen += "User" + std::to_string(i) + "\x8F" "12:34/05.11.2026\r\n";
    }
    RewriteFile(folder.BotFile("seen.txt"), seen);
    RewriteFile(folder.BotFile("stat.ini"), YearOfStats());
    for (int i = 0; i < kBoxes; ++i) {
      const std::uint32_t seed = i == 0 ? kOtherSeed : kBoxMaskSeed;
      RewriteFile(folder.UserFile(BoxFileName("User" + std::to_string(i))),
                  Masked(BoxGreeting() + kRecord, seed) + std::string("a\0\0\0", 4));
    }
  }
  ~Folder() { std::filesystem::remove_all(dir); }
  std::string dir;
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void BM_CheckRealisticFolder(benchmark::State& state) {
  for (auto _ : state) {
    FolderReport report = CheckWorkFolder(TheFolder().dir, "");
    if (report.Problems() != 0) state.SkipWithError(FormatFolderReport(report).c_str());
    benchmark::DoNotOptimize(report);
  }
}

void BM_ReadAnecdoteFile(benchmark::State& state) {
  const std::string path = WorkFolder(TheFolder().dir).BotFile("anecdot.txt");
  for (auto _ : state) {
    std::optional<std::string> text = ReadWholeFile(path, kBigCap);
    benchmark::DoNotOptimize(text);
  }
}

void Recover(benchmark::State& state, const std::string& text) {
  const std::string masked = Masked(text, kOtherSeed);
  for (auto _ : state) {
    const std::vector<std::uint32_t> seeds = RecoverBoxSeeds(masked);
    if (seeds.size() != 1 || seeds.front() != kOtherSeed) state.SkipWithError("not recovered");
  }
}
void BM_RecoverSeedOfAGreetingBox(benchmark::State& state) { Recover(state, BoxGreeting() + kRecord); }
void BM_RecoverSeedOfAnEmptiedBox(benchmark::State& state) { Recover(state, " " + kRecord); }

BENCHMARK(BM_CheckRealisticFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAnecdoteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecoverSeedOfAGreetingBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecoverSeedOfAnEmptiedBox)->Unit(benchmark::kMillisecond);

void PrintTimes(const TimesReporter& times) {
  const auto ms = [&](const char* name) { return times.Seconds(name).value_or(-1) * 1e3; };
  std::printf("\n  %-44s %9.1f ms  (target < 1000 ms; one read of anecdot.txt %.1f ms)\n",
              "pelmobot --check on a realistic folder", ms("BM_CheckRealisticFolder"),
              ms("BM_ReadAnecdoteFile"));
  std::printf("  %-44s %9.1f ms  (target: milliseconds)\n",
              "recover a box's seed from the greeting", ms("BM_RecoverSeedOfAGreetingBox"));
  std::printf("  %-44s %9.1f ms  (target: milliseconds)\n",
              "recover a box's seed from \" \" and a record", ms("BM_RecoverSeedOfAnEmptiedBox"));
}

}  // namespace

int main(int argc, char** argv) {
  TheFolder();
  return RunAndPrint(argc, argv, PrintTimes);
}
