// The receive thread. It never touches the log, the cipher or packet
// state: each accepted datagram, each receive error and each allocation
// failure crosses to the main thread as a task posted to the event loop
// (net_posting.cpp).
#include <chrono>
#include <new>

#include "transport/fragment_reassembler.h"
#include "transport/net.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

// After an error the socket rests this long, so that a lasting fault (an
// interface gone down) is reported once a second, not in a busy loop.
constexpr int kRetryDelayMs = 1000;

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
    if (ready == NetSockets::Readiness::kReadable) ReceiveWaiting(alive, buffer, fragments);
  }
}

void Net::ReceiveWaiting(const AliveFlag& alive, std::vector<std::uint8_t>& buffer,
                         FragmentReassembler& fragments) {
  using Kind = NetSockets::Receipt::Kind;
  // Everything that is waiting: Winsock signals the socket again only for
  // a datagram that arrives after a receive call.
  while (!m_terminate.load()) {
    const NetSockets::Receipt got = m_sockets.Receive(buffer);
    if (got.kind == Kind::kEmpty) return;
    if (got.kind == Kind::kFailed) {
      PostError(alive, got.error);
      m_sockets.Sleep(kRetryDelayMs);
      return;
    }
    if (got.kind != Kind::kDatagram) continue;
    try {
      TRecvInfo info;
      if (Accept(buffer, got, fragments, info)) PostDatagram(alive, std::move(info));
    } catch (const std::bad_alloc&) {
      PostMemError(alive);
    }
  }
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
