// One bot's transport for tests, on real sockets: the network settings,
// a Net.ini in a temporary folder (ip=127.0.0.1), the cipher, the codec, a
// manual event loop and Net, plus every packet that reached the codec's
// dispatcher. Starts in simple broadcast mode on 127.0.0.1 with the
// broadcast address 127.255.255.255, so nothing leaves the machine; tests
// change settings before NetStart. Everything runs on the test's thread
// (NetStart may run on a thread that entered a test namespace while the
// test's thread waits for it).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/ini_file.h"
#include "base/random.h"
#include "fakes/manual_event_loop.h"
#include "fakes/recording_log.h"
#include "fakes/temp_dir.h"
#include "fakes/udp_queue.h"
#include "transport/blowfish.h"
#include "transport/net.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {

inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001;    // 127.0.0.1
inline constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFF;  // 127.255.255.255

struct DispatchedPacket {
  TIncomingPacket Header;
  TRecvInfo Sender;
  std::vector<std::uint8_t> Payload;
};

class NetHarness {
 public:
  // netLoop, when given, is the loop the receive thread posts to instead
  // of loop (a real main-thread loop, for tests of the hand-off itself);
  // RunUntil and RunFor then see none of those tasks. Not owned; it must
  // outlive the harness.
  explicit NetHarness(std::uint16_t port, EventLoop* netLoop = nullptr);

  // Runs posted tasks until done() holds or timeout passes; done()'s
  // final answer.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(3));
  // Runs posted tasks for the whole duration.
  void RunFor(std::chrono::milliseconds duration);
  // The dispatched packets whose sender nick is nick.
  std::vector<DispatchedPacket> From(const std::string& nick) const;

  TempDir dir;
  IniFile netIni;
  NetSettings settings;
  OutgoingState out;
  RecordingLog log;
  SystemClock clock;
  Random random{1};
  BlowfishContext cipher{};
  PacketCodec codec;
  ManualEventLoop loop;
  Net net;
  std::vector<DispatchedPacket> dispatched;
};

// A UDP port between 40000 and 59998 that is free on the wildcard address
// now, together with the next one (the bot sends from port + 1 in sniffer
// mode). Differs from call to call, so tests running side by side do not
// meet.
std::uint16_t PickTestPort();

// The log lines of a start up to the creation of the receiving socket:
// the mode line, the four setting lines, "Create recive socket.",
// "Call WSAStartup...", "Ok", "Call Socket...".
std::vector<std::string> NetStartLines(const std::string& mode, const NetSettings& settings);
// a followed by b.
std::vector<std::string> ConcatLines(std::vector<std::string> a, const std::vector<std::string>& b);
// Descriptors this process holds open now (/proc/self/fd).
std::size_t OpenDescriptorCount();

}  // namespace pelmo
