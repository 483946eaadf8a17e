// The burst tool: one loopback chat peer that sends N "!help" chat lines as
// fast as it can and counts what comes back, or (--echo) the minimal UDP
// echo it is compared with. Used by bench/burst.sh.
//
//   pelmo_burst --echo PORT
//       answers every datagram to 127.0.0.1:PORT at its sender, until killed
//   pelmo_burst --send PORT [--count N] [--quiet-ms MS]
//       from 127.0.0.2:PORT sends N chat lines "!help" to 127.0.0.1:PORT,
//       counts the datagrams that come back until none came for MS
//       milliseconds, and prints "answered A of N, the last after T ms"
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
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

constexpr std::uint32_t kBotAddress = 0x7F000001;   // 127.0.0.1
constexpr std::uint32_t kPeerAddress = 0x7F000002;  // 127.0.0.2

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = htonl(address);
  result.sin_port = htons(port);
  return result;
}

int BoundSocket(std::uint32_t address, std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const sockaddr_in where = Address(address, port);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
    std::perror("pelmo_burst: bind");
    std::exit(1);
  }
  return fd;
}

int Echo(std::uint16_t port) {
  const int fd = BoundSocket(INADDR_ANY, port);
  std::vector<std::uint8_t> buffer(65536);
  for (;;) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(fd, buffer.data(), buffer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) continue;
    ::sendto(fd, buffer.data(), static_cast<std::size_t>(got), 0,
             reinterpret_cast<const sockaddr*>(&from), length);
  }
}

class NoLog final : public LineLog {
 public:
  void LogLine(const std::string&, std::uint32_t) override {}
};

// Keeps the packets built instead of sending them.
class Collector final : public DatagramSender {
 public:
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t* bytes, std::size_t length) override {
    packets.emplace_back(bytes, bytes + length);
    return 0;
  }
  std::vector<std::vector<std::uint8_t>> packets;
};

int Send(std::uint16_t port, int count, int quietMs) {
  // Every packet is built first, so that the burst is only the sends.
  BlowfishContext cipher{};
  const ChatKey key = BuiltInChatKey();
  BlowfishInit(cipher, key.key.data(), key.key.size(), key.iv.data());
  NetSettings settings;
  settings.Port = port;
  settings.MulticastMode = false;
  OutgoingState out;
  NoLog log;
  SystemClock clock;
  Random random;
  PacketCodec codec(cipher, settings, out, log, clock, random);
  Collector collector;
  codec.SetSender(&collector);
  std::vector<std::uint8_t> payload = {0, 4, 'M', 'a', 'i', 'n', '!', 'h', 'e', 'l', 'p', 0};
  for (int i = 0; i < count; ++i) {
    codec.EncodeAndSend("BURSTPC", "Burster", kPeerAddress,
                        static_cast<std::uint16_t>(payload.size()), payload.data(),
                        kPacketChatLine, kBotAddress);
  }

  const int fd = BoundSocket(kPeerAddress, port);
  // The peer itself must not be what drops the answers.
  const int big = 64 << 20;
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof big) != 0) {
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
  }
  std::atomic<long> answered{0};
  std::atomic<bool> sent{false};
  const auto start = std::chrono::steady_clock::now();
  std::atomic<long long> lastAnswerMs{0};
  std::thread receiver([&] {
    std::vector<std::uint8_t> buffer(65536);
    auto last = std::chrono::steady_clock::now();
    for (;;) {
      pollfd one{fd, POLLIN, 0};
      if (::poll(&one, 1, 50) > 0) {
        if (::recv(fd, buffer.data(), buffer.size(), 0) > 0) ++answered;
        last = std::chrono::steady_clock::now();
        lastAnswerMs = std::chrono::duration_cast<std::chrono::milliseconds>(last - start).count();
      } else if (sent && std::chrono::steady_clock::now() - last >
                             std::chrono::milliseconds(quietMs)) {
        return;
      }
    }
  });
  const sockaddr_in to = Address(kBotAddress, port);
  for (const auto& packet : collector.packets) {
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
  }
  sent = true;
  receiver.join();
  std::printf("answered %ld of %d, the last after %lld ms\n", answered.load(), count,
              lastAnswerMs.load());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode;
  int port = 0;
  int count = 20000;
  int quietMs = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (arg == "--echo" || arg == "--send") {
      mode = arg;
      port = value;
    } else if (arg == "--count") {
      count = value;
    } else if (arg == "--quiet-ms") {
      quietMs = value;
    }
  }
  if (mode.empty() || port <= 0 || port > 65535 || count <= 0) {
    std::fprintf(stderr, "usage: pelmo_burst --echo PORT | --send PORT [--count N] [--quiet-ms MS]\n");
    return 2;
  }
  if (mode == "--echo") return Echo(static_cast<std::uint16_t>(port));
  return Send(static_cast<std::uint16_t>(port), count, quietMs);
}
