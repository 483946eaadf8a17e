#include "fakes/net_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <thread>

namespace pelmo {

namespace {

bool PortFree(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return free;
}

}  // namespace

NetHarness::NetHarness(std::uint16_t port)
    : netIni(dir.FilePath("Net.ini")),
      codec(cipher, settings, out, log, clock, random),
      net(settings, out, codec, cipher, loop, log, netIni) {
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\n");
  settings.LocalAddress = kLoopbackAddress;
  settings.SendAddress = kLoopbackBroadcast;
  settings.Port = port;
  settings.SnifferMode = false;
  settings.MulticastMode = false;
  settings.ReuseAddr = false;
  out.OutAddress = settings.SendAddress;
  codec.SetDispatcher([this] {
    DispatchedPacket packet;
    packet.Header = codec.CurrentPacket;
    packet.Sender = codec.CurrentSender;
    packet.Payload.assign(codec.PacketBody.begin(),
                          codec.PacketBody.begin() + codec.PacketBodyLength);
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

}  // namespace pelmo
