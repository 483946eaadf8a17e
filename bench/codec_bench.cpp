// Cipher and codec throughput. Our block-by-block Blowfish-CBC is measured
// against OpenSSL's BF-CBC on the same buffers and key, and the ratio
// (ours / OpenSSL, bytes per second) is printed after the run; a chat packet
// is encoded and decoded as the bot does it, with a sender that discards.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/line_log.h"
#include "base/random.h"
#include "transport/blowfish.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace {

using namespace pelmo;

const std::uint8_t kKey[10] = {0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE, 0xF1, 0x0E};
const std::uint8_t kIv[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

std::vector<std::uint8_t> TestBuffer(std::size_t size) {
  std::vector<std::uint8_t> buffer(size);
  for (std::size_t i = 0; i < size; ++i) buffer[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return buffer;
}

// A continuous CBC stream on every side: no per-call reset, so that only
// the cipher is compared. Encipher and decipher each run in place.
void SetCbcCounters(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// One BlowfishEncryptCBC call per block, as a caller walking a buffer does.
void BM_EncryptOursPerBlock(benchmark::State& state) {
  BlowfishContext ctx;
  BlowfishInit(ctx, kKey, sizeof kKey, kIv);
  auto buffer = TestBuffer(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::uint8_t* p = buffer.data();
    for (std::size_t at = 0; at < buffer.size(); at += 8) BlowfishEncryptCBC(ctx, p + at, p + at);
    benchmark::ClobberMemory();
  }
  SetCbcCounters(state);
}

// The run of blocks, as the packet codec does it.
void OursCbcRun(benchmark::State& state,
                void (*run)(BlowfishContext&, std::uint8_t*, std::size_t)) {
  BlowfishContext ctx;
  BlowfishInit(ctx, kKey, sizeof kKey, kIv);
  auto buffer = TestBuffer(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    run(ctx, buffer.data(), buffer.size() / 8);
    benchmark::ClobberMemory();
  }
  SetCbcCounters(state);
}

void BM_EncryptOurs(benchmark::State& state) { OursCbcRun(state, BlowfishEncryptCBCBlocks); }
void BM_DecryptOurs(benchmark::State& state) { OursCbcRun(state, BlowfishDecryptCBCBlocks); }

void OpenSslCbc(benchmark::State& state, bool encrypt) {
  EVP_CIPHER* bf = EVP_CIPHER_fetch(nullptr, "BF-CBC", nullptr);
  if (bf == nullptr) {
    state.SkipWithError("BF-CBC not available (legacy provider)");
    return;
  }
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, bf, nullptr, nullptr, nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_key_length(ctx, sizeof kKey);
  EVP_CipherInit_ex(ctx, nullptr, nullptr, kKey, kIv, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  auto buffer = TestBuffer(static_cast<std::size_t>(state.range(0)));
  int outLength = 0;
  for (auto _ : state) {
    EVP_CipherUpdate(ctx, buffer.data(), &outLength, buffer.data(),
                     static_cast<int>(buffer.size()));
    benchmark::DoNotOptimize(outLength);
    benchmark::ClobberMemory();
  }
  SetCbcCounters(state);
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(bf);
}

void BM_EncryptOpenSsl(benchmark::State& state) { OpenSslCbc(state, true); }
void BM_DecryptOpenSsl(benchmark::State& state) { OpenSslCbc(state, false); }

BENCHMARK(BM_EncryptOursPerBlock)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK(BM_EncryptOurs)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK(BM_EncryptOpenSsl)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK(BM_DecryptOurs)->Arg(64)->Arg(1024)->Arg(65536);
BENCHMARK(BM_DecryptOpenSsl)->Arg(64)->Arg(1024)->Arg(65536);

class NullLog final : public LineLog {
 public:
  void LogLine(const std::string&, std::uint32_t) override {}
};

// Every call is a new moment, so no packet is dropped as a duplicate.
class SteppingClock final : public Clock {
 public:
  TDateTime Now() const override { return m_now += 1e-8; }
  std::uint64_t TickMs() const override { return 0; }

 private:
  mutable TDateTime m_now = 46362.75;
};

class DiscardingSender final : public DatagramSender {
 public:
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t* bytes, std::size_t length) override {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(length);
    return 0;
  }
};

// Keeps the datagram for the decoding half.
class CopyingSender final : public DatagramSender {
 public:
  explicit CopyingSender(TRecvInfo& info) : m_info(info) {}
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t* bytes, std::size_t length) override {
    m_info.Data.assign(bytes, bytes + length);
    m_info.DataLength = static_cast<std::uint16_t>(length);
    return 0;
  }

 private:
  TRecvInfo& m_info;
};

struct CodecRig {
  CodecRig() {
    const ChatKey key = BuiltInChatKey();
    BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
    settings.BotHost = "ALICE-PC";
    settings.BotNick = "Alice";
    // Kind 0, channel "Main", 75 bytes of text and its zero: e = 123, a
    // 123-byte packet (the size nearest 120 that the size rule allows).
    payload = {0, 4, 'M', 'a', 'i', 'n'};
    payload.resize(payload.size() + 75, 'x');
    payload.push_back(0);
  }

  BlowfishContext cipher{};
  NetSettings settings;
  OutgoingState out;
  NullLog log;
  SteppingClock clock;
  Random random{1};
  PacketCodec codec{cipher, settings, out, log, clock, random};
  std::vector<std::uint8_t> payload;
};

void BM_EncodeChatPacket(benchmark::State& state) {
  CodecRig rig;
  DiscardingSender sender;
  rig.codec.SetSender(&sender);
  for (auto _ : state) rig.codec.SendFromBot(rig.payload, kPacketChatLine, 1);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["packet_bytes"] =
      static_cast<double>(PacketSizeFor(8, 5, rig.payload.size()));
}

void BM_EncodeDecodeChatPacket(benchmark::State& state) {
  CodecRig rig;
  TRecvInfo info;
  CopyingSender sender(info);
  rig.codec.SetSender(&sender);
  std::size_t dispatched = 0;
  rig.codec.SetDispatcher([&](const ReceivedPacket&) { ++dispatched; });
  for (auto _ : state) {
    rig.codec.SendFromBot(rig.payload, kPacketChatLine, 1);
    rig.codec.HandlePacket(info);
  }
  if (dispatched != static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("a packet was not dispatched");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK(BM_EncodeChatPacket);
BENCHMARK(BM_EncodeDecodeChatPacket);

// The console report, plus the bytes per second of the CBC runs and the
// packets per second of the codec runs, kept for the summary printed at the
// end.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      for (const char* counter : {"bytes_per_second", "items_per_second"}) {
        const auto it = run.counters.find(counter);
        if (it != run.counters.end()) m_rates[run.benchmark_name()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintPacketRates() const {
    const auto encode = m_rates.find("BM_EncodeChatPacket");
    const auto both = m_rates.find("BM_EncodeDecodeChatPacket");
    if (encode == m_rates.end() && both == m_rates.end()) return;
    std::printf("\nChat packets (123 bytes) per second on one core:\n");
    if (encode != m_rates.end()) std::printf("  encode           %10.0f\n", encode->second);
    if (both != m_rates.end()) {
      std::printf("  encode + decode  %10.0f (target >= 1000000)\n", both->second);
    }
  }

  void PrintRatios() const {
    std::printf("\nBF-CBC throughput ratio ours / OpenSSL, same run (target >= 1.0):\n");
    for (const char* size : {"64", "1024", "65536"}) {
      PrintRatio("encipher, run of blocks  ", "BM_EncryptOurs", "BM_EncryptOpenSsl", size);
      PrintRatio("encipher, block by block ", "BM_EncryptOursPerBlock", "BM_EncryptOpenSsl", size);
      PrintRatio("decipher, run of blocks  ", "BM_DecryptOurs", "BM_DecryptOpenSsl", size);
    }
  }

 private:
  void PrintRatio(const char* what, const std::string& ours, const std::string& openssl,
                  const std::string& size) const {
    const auto a = m_rates.find(ours + "/" + size);
    const auto b = m_rates.find(openssl + "/" + size);
    if (a == m_rates.end() || b == m_rates.end() || b->second <= 0) return;
    std::printf("  %s %6s B: ours %7.1f MB/s, OpenSSL %7.1f MB/s, ratio %.2f\n", what,
                size.c_str(), a->second / 1e6, b->second / 1e6, a->second / b->second);
  }

  std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
  // BF-CBC lives in OpenSSL 3's legacy provider.
  OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  reporter.PrintPacketRates();
  benchmark::Shutdown();
  if (deflt != nullptr) OSSL_PROVIDER_unload(deflt);
  if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
  return 0;
}
