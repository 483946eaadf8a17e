// The receive thread. It never touches the log, the cipher or packet
// state: each accepted datagram, each receive error and each allocation
// failure crosses to the main thread as a task posted to the event loop.
#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "base/event_loop.h"
#include "base/line_log.h"
#include "transport/fragment_reassembler.h"
#include "transport/net_platform_posix.h"
#include "transport/sniffer.h"

namespace pelmo {

namespace {

constexpr int kRetryDelayMs = 1000;

}  // namespace

bool Net::FromChatNetwork(const msghdr& message) const {
  for (const cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
       header = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(header))) {
    if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo packet{};
    std::memcpy(&packet, CMSG_DATA(header), sizeof packet);
    // What this computer sends to LocalAddress itself comes in through
    // loopback.
    return packet.ipi_ifindex == m_platform->chatIndex || ntohl(packet.ipi_addr.s_addr) == m_localAddress;
  }
  return false;
}

void Net::ReceiveLoop(AliveFlag alive) {
  std::vector<std::uint8_t> buffer(kPacketBufferSize);
  FragmentReassembler fragments;  // sniffer mode: the capture sees no whole datagrams
  while (!m_terminate.load()) {
    pollfd fds[2] = {{m_platform->recvSocket, POLLIN, 0}, {m_platform->wakeFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      PostError(alive, errno);
      WaitForStop(kRetryDelayMs);
      continue;
    }
    if (m_terminate.load()) break;
    if (fds[0].revents == 0) continue;

    TRecvInfo info;
    int error = 0;
    bool accepted = false;
    try {
      accepted = ReceiveOne(buffer, fragments, info, error);
    } catch (const std::bad_alloc&) {
      PostMemError(alive);
      continue;
    }
    if (error != 0) {
      PostError(alive, error);
      WaitForStop(kRetryDelayMs);
      continue;
    }
    if (!accepted) continue;
    try {
      PostDatagram(alive, std::move(info));
    } catch (const std::bad_alloc&) {
      PostMemError(alive);
    }
  }
}

bool Net::ReceiveOne(std::vector<std::uint8_t>& buffer, FragmentReassembler& fragments,
                     TRecvInfo& info, int& error) {
  error = 0;
  ssize_t received = 0;
  if (m_snifferMode) {
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    received = recvfrom(m_platform->recvSocket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                        reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received > 0 && m_platform->captureLoopback && from.sll_pkttype == PACKET_OUTGOING) {
      // On loopback every packet is seen leaving and again arriving.
      return false;
    }
  } else {
    sockaddr_in from{};
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    received = recvmsg(m_platform->recvSocket, &message, MSG_DONTWAIT);
    info.SrcAddr = ntohl(from.sin_addr.s_addr);
    info.SrcPort = ntohs(from.sin_port);
    if (received > 0 && m_platform->chatIndex != 0 && !FromChatNetwork(message)) return false;
  }
  if (received < 0) {
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) error = errno;
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
  info.DstAddr = m_localAddress;
  info.DstPort = m_port;
  info.DataLength = static_cast<std::uint16_t>(length);
  info.Data.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
  return true;
}

void Net::WaitForStop(int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!m_terminate.load()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd wake{m_platform->wakeFd, POLLIN, 0};
    poll(&wake, 1, static_cast<int>(left.count()) + 1);
  }
}

}  // namespace pelmo
