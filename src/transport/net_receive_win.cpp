// The receive thread on Winsock. It waits on two events, the socket's
// FD_READ and NetStop's wake-up, and otherwise works as on Linux: it never
// touches the log, the cipher or packet state; each accepted datagram,
// each receive error and each allocation failure crosses to the main
// thread as a task posted to the event loop.
#include <chrono>
#include <new>

#include "base/event_loop.h"
#include "base/line_log.h"
#include "transport/fragment_reassembler.h"
#include "transport/net_platform_win.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

constexpr DWORD kRetryDelayMs = 1000;

}  // namespace

void Net::ReceiveLoop(AliveFlag alive) {
  Platform& os = *m_platform;
  std::vector<std::uint8_t> buffer(kPacketBufferSize);
  FragmentReassembler fragments;  // sniffer mode: pieces of long datagrams
  const WSAEVENT events[2] = {os.recvEvent, os.wakeEvent};
  while (!m_terminate.load()) {
    const DWORD woken = ::WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
    if (m_terminate.load()) break;
    if (woken == WSA_WAIT_FAILED) {
      PostError(alive, ::WSAGetLastError());
      WaitForStop(kRetryDelayMs);
      continue;
    }
    if (woken != WSA_WAIT_EVENT_0) continue;
    ::WSAResetEvent(os.recvEvent);

    // Everything that is waiting: FD_READ is signalled again only by a
    // datagram that arrives after a receive call.
    for (;;) {
      TRecvInfo info;
      int error = 0;
      bool accepted = false;
      try {
        accepted = ReceiveOne(buffer, fragments, info, error);
      } catch (const std::bad_alloc&) {
        PostMemError(alive);
        continue;
      }
      if (error == WSAEWOULDBLOCK) break;
      if (error != 0) {
        PostError(alive, error);
        WaitForStop(kRetryDelayMs);
        break;
      }
      if (!accepted) continue;
      try {
        PostDatagram(alive, std::move(info));
      } catch (const std::bad_alloc&) {
        PostMemError(alive);
      }
      if (m_terminate.load()) break;
    }
  }
}

bool Net::ReceiveOne(std::vector<std::uint8_t>& buffer, FragmentReassembler& fragments,
                     TRecvInfo& info, int& error) {
  error = 0;
  sockaddr_in from{};
  int fromLength = sizeof from;
  const int received =
      ::recvfrom(m_platform->recvSocket, reinterpret_cast<char*>(buffer.data()),
                 static_cast<int>(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from),
                 &fromLength);
  if (received == SOCKET_ERROR) {
    error = ::WSAGetLastError();
    // An interrupted call is tried again; a datagram too long for the
    // buffer, or an ICMP refusal of one of our earlier packets, is lost
    // alone and is no reason to stop for a second.
    if (error == WSAEINTR || error == WSAEMSGSIZE || error == WSAECONNRESET) {
      error = 0;
      return false;
    }
    return false;
  }
  if (received == 0 || m_stopping.load()) return false;
  const auto length = static_cast<std::size_t>(received);
  if (m_snifferMode) {
    if (!FragmentReassembler::IsFragment(buffer.data(), length)) {
      return SnifferAccept(buffer.data(), length, m_port, info);
    }
    const std::vector<std::uint8_t>* whole =
        fragments.Add(buffer.data(), length, std::chrono::steady_clock::now());
    return whole != nullptr && SnifferAccept(whole->data(), whole->size(), m_port, info);
  }
  info.SrcAddr = ntohl(from.sin_addr.s_addr);
  info.SrcPort = ntohs(from.sin_port);
  info.DstAddr = m_localAddress;
  info.DstPort = m_port;
  info.DataLength = static_cast<std::uint16_t>(length);
  info.Data.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
  return true;
}

void Net::WaitForStop(int milliseconds) {
  // Only the wake-up ends the wait early.
  ::WSAWaitForMultipleEvents(1, &m_platform->wakeEvent, FALSE, static_cast<DWORD>(milliseconds),
                             FALSE);
}

}  // namespace pelmo
