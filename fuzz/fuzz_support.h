// What the fuzz targets of the bot's file readers share: a scratch folder
// for the process (on the RAM disk when there is one), the input cut into
// parts, and the parts a service that answers needs, whose packets are
// encoded and dropped. No sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/event_loop.h"
#include "base/random.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/replies.h"
#include "transport/blowfish.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo::fuzz {

// A folder of this process, made at first use and removed at its end.
const std::string& ScratchDir();
// Writes the bytes as the whole file (created or replaced in place).
void WriteBytes(const std::string& path, const std::string& bytes);

// The input cut at its first parts - 1 zero bytes; missing parts are
// empty.
std::vector<std::string> Parts(const std::uint8_t* data, std::size_t size, std::size_t parts);

// 7 December 2026, 12:00.
class FixedClock final : public Clock {
 public:
  TDateTime Now() const override;
  std::uint64_t TickMs() const override { return 0; }
};

// Timers that never fire: a rewrite waits for an explicit flush.
class IdleLoop final : public EventLoop {
 public:
  void Post(Task) override {}
  TimerId StartTimer(std::chrono::milliseconds, bool, Task) override { return 1; }
  void StopTimer(TimerId) override {}
};

class DroppingSender final : public DatagramSender {
 public:
  int SendDatagram(std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t,
                   const std::uint8_t*, std::size_t length) override {
    sent += length;
    return 0;
  }
  std::size_t sent = 0;
};

// Replies on a keyed codec whose packets go nowhere.
struct ReplyParts {
  ReplyParts();
  BlowfishContext cipher{};
  NetSettings net;
  OutgoingState out;
  BotSettings settings;
  FixedClock clock;
  Random random{7};
  DroppingSender sender;
  IdleLoop loop;
  BotLog log;
  PacketCodec codec;
  Replies replies;
};

}  // namespace pelmo::fuzz
