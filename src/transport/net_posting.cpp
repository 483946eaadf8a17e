// What the receive thread hands to the main thread, the same on every
// platform: posted tasks that check the run is still alive, each datagram
// within the hand-off's bound.
#include <chrono>
#include <new>
#include <string>

#include "base/cp1251.h"
#include "base/event_loop.h"
#include "base/line_log.h"
#include "transport/net.h"
#include "transport/packet_codec.h"

namespace pelmo {

namespace {

// The drops of a flood are told in one line a second at most.
constexpr std::chrono::milliseconds kDropReportDelay{1000};

}  // namespace

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
  const std::size_t payload = info.Data.size();
  if (!m_handOff->Take(payload)) {
    if (m_handOff->ClaimReport()) PostDropReport(alive);
    return;
  }
  // The room is given back when the task has run, or is thrown away unrun.
  m_loop.Post([this, alive, info = std::move(info),
               ticket = HandOffTicket(m_handOff, payload)]() mutable {
    // A datagram of a run that has been stopped (or of a destroyed Net)
    // would be deciphered with a wiped key.
    if (alive->load()) m_codec.HandlePacket(info);
  });
}

void Net::PostDropReport(const AliveFlag& alive) {
  try {
    m_loop.Post([this, alive, handOff = m_handOff] {
      if (!alive->load()) return;
      m_dropReportTimer = m_loop.StartTimer(kDropReportDelay, false, [this, alive, handOff] {
        if (!alive->load()) return;
        m_dropReportTimer = 0;
        const std::uint64_t dropped = handOff->TakeDropped();
        if (dropped != 0) {
          m_log.LogLine(W("Очередь приёма переполнена: отброшено датаграмм: ") +
                        std::to_string(dropped) + ".");
        }
      });
    });
  } catch (const std::bad_alloc&) {
    // The drops stay counted; the next one tries to arrange the report.
    m_handOff->ReleaseClaim();
  }
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
