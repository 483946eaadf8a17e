#include "fakes/net_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "transport/net_interfaces_posix.h"

namespace pelmo {

namespace {

bool PortFree(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const sockaddr_in address = MakeSocketAddress(INADDR_ANY, port);
  const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return free;
}

}  // namespace

NetHarness::NetHarness(std::uint16_t port, EventLoop* netLoop)
    : netIni(dir.FilePath("Net.ini")),
      codec(cipher, settings, out, log, clock, random),
      net(settings, codec, cipher, netLoop != nullptr ? *netLoop : loop, log, netIni) {
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  settings.LocalAddress = kLoopbackAddress;
  settings.SendAddress = kLoopbackBroadcast;
  settings.Port = port;
  settings.SnifferMode = false;
  settings.MulticastMode = false;
  settings.ReuseAddr = false;
  codec.SetDispatcher([this](const ReceivedPacket& received) {
    DispatchedPacket packet;
    packet.Header = received.header;
    packet.Sender = received.sender;
    packet.Payload.assign(received.body, received.body + received.bodyLength);
    dispatched.push_back(std::move(packet));
  });
}

bool NetHarness::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    loop.RunPending();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void NetHarness::RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

std::vector<DispatchedPacket> NetHarness::From(const std::string& nick) const {
  std::vector<DispatchedPacket> result;
  for (const DispatchedPacket& packet : dispatched) {
    if (packet.Header.SenderNick == nick) result.push_back(packet);
  }
  return result;
}

std::uint16_t PickTestPort() {
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> pick(20000, 29999);
  for (;;) {
    const auto port = static_cast<std::uint16_t>(pick(generator) * 2);
    if (PortFree(port) && PortFree(static_cast<std::uint16_t>(port + 1))) return port;
  }
}

std::vector<std::string> NetStartLines(const std::string& mode, const NetSettings& settings) {
  return {mode,
          "ip: " + AddressToText(settings.LocalAddress),
          "netaddr: " + AddressToText(settings.SendAddress),
          "port: " + std::to_string(settings.Port),
          "ttl: " + std::to_string(settings.TTL),
          "Create recive socket.",
          "Call WSAStartup...",
          "Ok",
          "Call Socket..."};
}

std::vector<std::string> ConcatLines(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::size_t OpenDescriptorCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

}  // namespace pelmo
