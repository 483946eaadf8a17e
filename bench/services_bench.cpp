// The services' data files at their sizes of use: loading 500000
// anecdotes, a seen lookup and a seen record on a 5000-line seen.txt, the
// batched rewrite of that file, and mytop on a 10000-line top.txt. Each
// figure is printed after the run beside the cost of reading the same
// file once (ReadWholeFile), as a ratio.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <memory>
#include <string>

#include "base/cp1251.h"
#include "base/poll_event_loop.h"
#include "base/text_file.h"
#include "core/bot.h"
#include "core/reactions.h"
#include "core/data_files.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "services/install_services.h"
#include "services/jokes.h"
#include "services/seen_tracker.h"
#include "services/talker_top.h"
#include "times_reporter.h"

namespace {

using namespace pelmo;

constexpr std::size_t kAnecdotes = 500000;
constexpr int kSeenLines = 5000;
constexpr int kTopLines = 10000;
constexpr std::size_t kBigCap = 512u * 1024u * 1024u;

void KeyWithChatKey(BlowfishContext& cipher) {
  const ChatKey key = BuiltInChatKey();
  BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
}

class DiscardingSender final : public DatagramSender {
 public:
  std::size_t sent = 0;
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t* bytes, std::size_t length) override {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(length);
    ++sent;
    return 0;
  }
};

// Moves a minute forward at every reading, so that every record changes
// its line.
class MinuteClock final : public Clock {
 public:
  TDateTime Now() const override {
    m_minutes += 1;
    return EncodeDate(2026, 12, 6) + static_cast<double>(m_minutes % 1440) / 1440.0;
  }
  std::uint64_t TickMs() const override { return static_cast<std::uint64_t>(m_minutes) * 60000; }

 private:
  mutable long long m_minutes = 0;
};

// One working folder with the files at their sizes and a bot that sends
// into nowhere.
struct Rig {
  Rig() {
    char pattern[] = "/tmp/pelmo_bench_XXXXXX";
    dir = ::mkdtemp(pattern);
    std::filesystem::create_directories(dir + "/botfile");
    BotOptions options;
    options.workDir = dir;
    options.configDir = dir;
    owner = std::make_unique<Bot>(loop, clock, options);
    bot = &owner->Parts();
    bot->codec.SetSender(&sender);
    CreateMissingDataFiles(bot->folder);

    std::string anecdotes;
    anecdotes.reserve(kAnecdotes * 120);
    for (std::size_t i = 0; i < kAnecdotes; ++i) {
      anecdotes += W("Анекдот номер ") + std::to_string(i) + W(": приходит как-то программист") +
                   "\r\n" + AnecdoteSeparator() + "\r\n";
    }
    RewriteFile(bot->folder.BotFile("anecdot.txt"), anecdotes);

    std::string seen;
    for (int i = 0; i < kSeenLines; ++i) {
      seen += "User" + std::to_string(i) + "\x8F" "12:34/05.11.2026\r\n";
    }
    RewriteFile(bot->folder.BotFile("seen.txt"), seen);

    std::string top;
    for (int i = 0; i < kTopLines; ++i) {
      top += "Talker" + std::to_string(i) + " (\xB6" + std::to_string((i * 7919) % 100000) + "\r\n";
    }
    RewriteFile(bot->folder.BotFile("top.txt"), top);
  }
  ~Rig() { std::filesystem::remove_all(dir); }

  std::string dir;
  PollEventLoop loop;
  MinuteClock clock;
  DiscardingSender sender;
  std::unique_ptr<Bot> owner;
  BotParts* bot = nullptr;
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

void ReadOnce(benchmark::State& state, const char* name) {
  const std::string path = TheRig().bot->folder.BotFile(name);
  for (auto _ : state) {
    std::optional<std::string> text = ReadWholeFile(path, kBigCap);
    benchmark::DoNotOptimize(text);
  }
}

void BM_ReadAnecdoteFile(benchmark::State& state) { ReadOnce(state, "anecdot.txt"); }
void BM_ReadSeenFile(benchmark::State& state) { ReadOnce(state, "seen.txt"); }
void BM_ReadTopFile(benchmark::State& state) { ReadOnce(state, "top.txt"); }

void BM_LoadAnecdotes(benchmark::State& state) {
  BotParts& bot = *TheRig().bot;
  Jokes jokes(bot.folder, bot.settings, bot.random, bot.clock, bot.replies, bot.log);
  for (auto _ : state) jokes.LoadAnecdotes();
  // The file's last separator would give one more: the limit stops it.
  if (jokes.Anecdotes().size() != kMaxJokes) state.SkipWithError("wrong count");
}

void BM_SeenQuery(benchmark::State& state) {
  BotParts& bot = *TheRig().bot;
  SeenTracker seen(bot.folder.BotFile("seen.txt"), bot.folder.BotFile("seen_log.log"),
                   bot.clock, bot.replies, bot.loop);
  seen.Size();  // loaded once, as after the first line of the day
  int i = 0;
  for (auto _ : state) {
    seen.SeenQuery("user" + std::to_string(i++ % kSeenLines), "Asker");
  }
}

void BM_RecordSeen(benchmark::State& state) {
  BotParts& bot = *TheRig().bot;
  SeenTracker seen(bot.folder.BotFile("seen.txt"), bot.folder.BotFile("seen_log.log"),
                   bot.clock, bot.replies, bot.loop);
  seen.Size();
  int i = 0;
  for (auto _ : state) seen.RecordSeen("User" + std::to_string(i++ % kSeenLines));
  if (!seen.Pending()) state.SkipWithError("nothing recorded");
}

// The batched write: at most once a second, off the reply path.
void BM_SeenFlush(benchmark::State& state) {
  BotParts& bot = *TheRig().bot;
  SeenTracker seen(bot.folder.BotFile("seen.txt"), bot.folder.BotFile("seen_log.log"),
                   bot.clock, bot.replies, bot.loop);
  int i = 0;
  for (auto _ : state) {
    seen.RecordSeen("User" + std::to_string(i++ % kSeenLines));
    seen.Flush();
  }
}

void BM_MyTop(benchmark::State& state) {
  BotParts& bot = *TheRig().bot;
  TalkerTop top(bot.folder.BotFile("top.txt"), bot.replies);
  for (auto _ : state) top.ShowMyPlace(0x7F000002, "Talker9876");
}

// A "!help" line from a peer through the whole receive path (decipher,
// dispatch, interpreter, reply enciphered and sent) of a bot with every
// service installed, with and without the seen tracker on that path: the
// 5000-line seen.txt must not slow the reply.
class PeerLine {
 public:
  PeerLine() {
    KeyWithChatKey(m_cipher);
    m_settings.BotNick = "Peer";
    m_settings.BotHost = "PEERPC";
    m_codec.SetSender(&m_sender);
    m_payload = {0, 4, 'M', 'a', 'i', 'n', '!', 'h', 'e', 'l', 'p', 0};
  }
  TRecvInfo& Next() {
    m_codec.SendFromBot(m_payload, kPacketChatLine, 0);
    return m_info;
  }

 private:
  class Copy final : public DatagramSender {
   public:
    explicit Copy(TRecvInfo& info) : m_info(info) {}
    int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                     const std::uint8_t* bytes, std::size_t length) override {
      m_info.Data.assign(bytes, bytes + length);
      m_info.DataLength = static_cast<std::uint16_t>(length);
      m_info.SrcAddr = 0x7F000002;
      return 0;
    }

   private:
    TRecvInfo& m_info;
  };
  class Stepping final : public Clock {
   public:
    TDateTime Now() const override { return m_now += 1e-8; }
    std::uint64_t TickMs() const override { return 0; }

   private:
    mutable TDateTime m_now = 46362.75;
  };

  BlowfishContext m_cipher{};
  NetSettings m_settings;
  OutgoingState m_out;
  BotLog m_log{m_clock, m_botSettings, "/dev/null"};
  BotSettings m_botSettings;
  Stepping m_clock;
  Random m_random{1};
  PacketCodec m_codec{m_cipher, m_settings, m_out, m_log, m_clock, m_random};
  TRecvInfo m_info;
  Copy m_sender{m_info};
  std::vector<std::uint8_t> m_payload;
};

void HelpLine(benchmark::State& state, bool seen) {
  Rig& rig = TheRig();
  BotOptions options;
  options.workDir = rig.dir;
  options.configDir = rig.dir;
  Bot owner(rig.loop, rig.clock, options);
  BotParts& bot = owner.Parts();
  std::unique_ptr<InstalledServices> services = InstallServices(owner.Services());
  // Without the seen tracker's subscription, the only difference.
  if (!seen) bot.on.seen = Reactions<SeenStep>{};
  KeyWithChatKey(bot.cipher);
  bot.codec.SetSender(&rig.sender);
  bot.helpText = {"!help - this text"};
  PeerLine peer;
  const std::size_t before = rig.sender.sent;
  for (auto _ : state) bot.codec.HandlePacket(peer.Next());
  if (rig.sender.sent - before != static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("not every line was answered");
  }
}

void BM_HelpLineWithoutSeen(benchmark::State& state) { HelpLine(state, false); }
void BM_HelpLineWithSeen(benchmark::State& state) { HelpLine(state, true); }

BENCHMARK(BM_HelpLineWithoutSeen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HelpLineWithSeen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAnecdoteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAnecdotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSeenFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeenQuery)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordSeen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeenFlush)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadTopFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MyTop)->Unit(benchmark::kMicrosecond);

// Keeps the mean wall time of each benchmark and prints the ratios.
// One operation beside its base, both timed per iteration.
void Print(const TimesReporter& times, const char* what, const std::string& op,
           const std::string& read, const char* target, const char* baseName = "read") {
  const std::optional<double> a = times.Seconds(op);
  const std::optional<double> b = times.Seconds(read);
  if (!a || !b || *b <= 0) return;
  std::printf("  %-26s %12.1f us  %s %10.1f us  ratio %8.2f  (target %s)\n", what, *a * 1e6,
              baseName, *b * 1e6, *a / *b, target);
}

void PrintRatios(const TimesReporter& times) {
  std::printf("\nEach operation beside one read of its file (ratio = operation / read):\n");
  Print(times, "load 500000 anecdotes", "BM_LoadAnecdotes", "BM_ReadAnecdoteFile", "< 500 ms");
  Print(times, "seen lookup, 5000 lines", "BM_SeenQuery", "BM_ReadSeenFile", "< 5 ms");
  Print(times, "RecordSeen, 5000 lines", "BM_RecordSeen", "BM_ReadSeenFile", "< 5 ms");
  Print(times, "seen.txt batched rewrite", "BM_SeenFlush", "BM_ReadSeenFile",
        "once a second at most");
  Print(times, "mytop, 10000 lines", "BM_MyTop", "BM_ReadTopFile", "< 5 ms");
  std::printf(
      "\nA \"!help\" line through the receive path, with the seen tracker beside without:\n");
  Print(times, "!help line", "BM_HelpLineWithSeen", "BM_HelpLineWithoutSeen", "ratio near 1",
        "without");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TheRig();
  TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
