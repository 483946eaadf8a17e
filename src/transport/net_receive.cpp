// Receiving. On the main thread's loop, where it waits on descriptors: each
// accepted datagram is handled at once. On the receive thread, which never
// touches the log, the cipher or packet state: each accepted datagram,
// each receive error and each allocation failure crosses to the main
// thread as a task posted to the event loop (net_posting.cpp).
#include <chrono>
#include <climits>
#include <new>

#include "base/line_log.h"
#include "transport/fragment_reassembler.h"
#include "transport/net.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

// After an error the socket rests this long, so that a lasting fault (an
// interface gone down) is reported once a second, not in a busy loop.
constexpr int kRetryDelayMs = 1000;
// What the main thread takes from the socket before the rest of its loop
// (timers, posted tasks) comes round again.
constexpr int kLoopBatch = 64;

}  // namespace

void Net::ReceiveLoop(AliveFlag alive) {
  std::vector<std::uint8_t> buffer(kPacketBufferSize);
  FragmentReassembler fragments;  // sniffer mode: the capture sees no whole datagrams
  while (!m_terminate.load()) {
    int error = 0;
    const NetSockets::Readiness ready = m_sockets.WaitReadable(error);
    if (m_terminate.load()) break;
    if (ready == NetSockets::Readiness::kFailed) {
      PostError(alive, error);
      m_sockets.Sleep(kRetryDelayMs);
      continue;
    }
    if (ready == NetSockets::Readiness::kReadable) {
      TakeWaiting(alive, Reader::kReceiveThread, buffer, fragments);
    }
  }
}

void Net::WatchSocket() {
  m_watcher->WatchFd(m_watchedFd, [this, alive = m_alive] {
    if (alive->load()) TakeWaiting(alive, Reader::kMainLoop, m_buffer, *m_fragments);
  });
}

void Net::TakeWaiting(const AliveFlag& alive, Reader reader, std::vector<std::uint8_t>& buffer,
                      FragmentReassembler& fragments) {
  using Kind = NetSockets::Receipt::Kind;
  const bool onLoop = reader == Reader::kMainLoop;
  // The receive thread takes everything that is waiting: Winsock signals
  // the socket again only for a datagram that arrives after a receive
  // call. The main loop takes a batch, so that its timers and posted tasks
  // come round during a flood; and as a datagram's handling may stop the
  // network, or stop and start it again, the run's flag says whether this
  // socket is still the one.
  const int batch = onLoop ? kLoopBatch : INT_MAX;
  for (int taken = 0; taken < batch && alive->load() && !m_terminate.load(); ++taken) {
    const NetSockets::Receipt got = m_sockets.Receive(buffer);
    if (got.kind == Kind::kEmpty) return;
    if (got.kind == Kind::kFailed) {
      if (onLoop) {
        RestAfterError(alive, got.error);
      } else {
        PostError(alive, got.error);
        m_sockets.Sleep(kRetryDelayMs);
      }
      return;
    }
    CountSystemDrops(alive, got.systemDrops);
    if (got.kind != Kind::kDatagram) continue;
    TRecvInfo info;
    bool accepted = false;
    try {
      accepted = Accept(buffer, got, fragments, info);
      if (accepted && !onLoop) PostDatagram(alive, std::move(info));
    } catch (const std::bad_alloc&) {
      if (onLoop) {
        m_log.LogLine("Mem Error.");
      } else {
        PostMemError(alive);
      }
      continue;
    }
    if (accepted && onLoop) m_codec.HandlePacket(info);
  }
}

void Net::RestAfterError(const AliveFlag& alive, int error) {
  m_log.LogLine("Net Error.");
  ReportNetError(error);
  // The socket rests a while, so that a lasting fault is reported once a
  // second, not in a busy loop.
  m_watcher->UnwatchFd(m_watchedFd);
  m_rewatchTimer =
      m_loop.StartTimer(std::chrono::milliseconds(kRetryDelayMs), false, [this, alive] {
        if (!alive->load()) return;
        m_rewatchTimer = 0;
        WatchSocket();
      });
}

void Net::CountSystemDrops(const AliveFlag& alive, std::uint32_t drops) {
  // The count only grows while the socket is open, and comes with the
  // datagrams that follow a drop.
  if (drops == 0 || drops == m_systemDrops) return;
  const std::uint32_t more = drops - m_systemDrops;
  m_systemDrops = drops;
  m_handOff->CountDropped(more);
  if (m_handOff->ClaimReport()) PostDropReport(alive);
}

bool Net::Accept(const std::vector<std::uint8_t>& buffer, const NetSockets::Receipt& got,
                 FragmentReassembler& fragments, TRecvInfo& info) {
  if (m_stopping.load()) return false;
  const std::uint8_t* bytes = buffer.data();
  if (m_snifferMode) {
    if (!FragmentReassembler::IsFragment(bytes, got.length)) {
      return SnifferAccept(bytes, got.length, m_port, info);
    }
    const std::vector<std::uint8_t>* whole =
        fragments.Add(bytes, got.length, std::chrono::steady_clock::now());
    return whole != nullptr && SnifferAccept(whole->data(), whole->size(), m_port, info);
  }
  info.SrcAddr = got.fromAddress;
  info.SrcPort = got.fromPort;
  info.DstAddr = m_localAddress;
  info.DstPort = m_port;
  info.DataLength = static_cast<std::uint16_t>(got.length);
  info.Data.assign(bytes, bytes + got.length);
  return true;
}

}  // namespace pelmo
