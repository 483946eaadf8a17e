// What the receive thread hands to the main thread, the same on every
// platform: posted tasks that check the run is still alive.
#include <new>

#include "base/event_loop.h"
#include "base/line_log.h"
#include "transport/net.h"
#include "transport/packet_codec.h"

namespace pelmo {

void Net::PostError(const AliveFlag& alive, int code) {
  try {
    m_loop.Post([this, alive, code] {
      if (!alive->load()) return;
      m_log.LogLine("Net Error.");
      ReportNetError(code);
    });
  } catch (const std::bad_alloc&) {
    PostMemError(alive);
  }
}

void Net::PostDatagram(const AliveFlag& alive, TRecvInfo info) {
  m_loop.Post([this, alive, info = std::move(info)]() mutable {
    // A datagram of a run that has been stopped (or of a destroyed Net)
    // would be deciphered with a wiped key.
    if (alive->load()) m_codec.HandlePacket(info);
  });
}

void Net::PostMemError(const AliveFlag& alive) {
  try {
    m_loop.Post([this, alive] {
      if (alive->load()) m_log.LogLine("Mem Error.");
    });
  } catch (const std::bad_alloc&) {
    // Nothing is left to report it with; the datagram is lost either way.
  }
}

}  // namespace pelmo
