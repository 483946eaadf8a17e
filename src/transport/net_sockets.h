// The system calls under Net: its two sockets, the group memberships and
// the receive thread's wake-up, one implementation per platform
// (net_sockets_posix.cpp, net_sockets_win.cpp). Net (net.cpp,
// net_receive.cpp) holds the order of the steps, their log lines and the
// settings; this class neither logs nor reads the settings.
//
// An operation that can fail returns 0 or the system's error code (errno
// on Linux, a Winsock code on Windows), for NetErrorText.
//
// Threads: the receive thread calls WaitReadable, Receive and Sleep (or
// the main thread calls Receive, where it waits on ReceiveDescriptor);
// everything else is the main thread's, and of that only Wake, SendTo,
// Mtu, InterfaceIndex, RefreshInterface and JoinGroup run while the
// receive thread does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmo {

class NetSockets {
 public:
  enum class Side { kReceive, kSend };
  enum class Readiness { kReadable, kNothing, kFailed };
  enum class Membership { kJoined, kFull, kFailed };
  struct Receipt {
    // kSkipped: nothing for the chat (a packet of the capture seen leaving,
    // a datagram of another network, an empty or interrupted read), try
    // the next one; kEmpty: nothing more is waiting.
    enum class Kind { kDatagram, kSkipped, kEmpty, kFailed } kind = Kind::kEmpty;
    std::size_t length = 0;         // kDatagram: bytes at the buffer's start
    std::uint32_t fromAddress = 0;  // kDatagram in simple mode; host order
    std::uint16_t fromPort = 0;
    int error = 0;  // kFailed
    // Where the system counts the datagrams its socket buffer had no room
    // for: that count, since the socket was opened, when it came with this
    // receipt; 0 when it did not.
    std::uint32_t systemDrops = 0;
  };

  NetSockets();
  ~NetSockets();
  NetSockets(const NetSockets&) = delete;
  NetSockets& operator=(const NetSockets&) = delete;

  // Starts the system's socket library where there is one to start
  // (Winsock); CloseAll ends it.
  int Startup();

  // The receiving socket: UDP, or in sniffer mode a capture of IPv4
  // packets that takes nothing before ReceiveAll. Its buffer holds a burst
  // of commands while the main thread works through them.
  int OpenReceive(bool sniffer);
  // SO_REUSEADDR on that socket.
  int ReuseAddress(Side side);
  // Simple mode: binds the wildcard address and port; localAddress (host
  // order) must be one of this computer's unless 0, and only what arrives
  // on its interface, or is addressed to it, is taken. Sniffer mode: binds
  // the capture to localAddress's interface. Learns that interface's MTU
  // where the system tells it.
  int BindReceive(std::uint32_t localAddress, std::uint16_t port);
  // While the receive thread runs: localAddress's interface has been made
  // anew (a new index); the arrival filter, the capture and the sending
  // socket's group interface take it up. The group is JoinGroup's.
  int RefreshInterface(std::uint32_t localAddress);
  // Sniffer mode, after the memberships: starts taking every IPv4 packet.
  int ReceiveAll();

  // Before JoinGroup: a socket that holds the memberships where the
  // capture of sniffer mode cannot.
  int OpenGroupSocket();
  // How many groups one socket may join; the largest size_t where the
  // system sets no limit.
  std::size_t MembershipLimit() const;
  // The system's index of the interface that holds address; 0 when none.
  unsigned long InterfaceIndex(std::uint32_t address) const;
  // Joins group on the interface of address (index from InterfaceIndex).
  // A membership the system holds already counts as joined; kFull when
  // the socket holds as many as it may; kFailed sets error.
  Membership JoinGroup(std::uint32_t group, std::uint32_t address, unsigned long index, int& error);

  // The sending socket: UDP, or in sniffer mode raw UDP.
  int OpenSend(bool sniffer);
  // Sniffer mode: the sending socket writes its own IPv4 headers and
  // sends broadcasts and group packets through localAddress's interface.
  int IncludeHeaders(std::uint32_t localAddress);
  // Binds the sending socket to localAddress, port 0.
  int BindSend(std::uint32_t localAddress);
  // Group packets leave through localAddress's interface with ttl.
  int SetMulticastSend(std::uint32_t localAddress, std::uint8_t ttl);
  int SetBroadcast();
  // The largest packet the sniffer's interface sends whole.
  unsigned Mtu() const;
  // One datagram (simple mode) or one IPv4 packet of our own headers.
  int SendTo(std::uint32_t address, std::uint16_t port, const std::uint8_t* bytes,
             std::size_t length);

  // The receive thread's wake-up (on Windows also the receiving socket's
  // event, which makes the socket non-blocking); before the thread starts.
  int OpenWake();
  // Ends a WaitReadable or a Sleep, now and for good.
  void Wake();
  // Waits until the receiving socket has something or Wake is called.
  Readiness WaitReadable(int& error);
  // One datagram, or one captured packet, without waiting.
  Receipt Receive(std::vector<std::uint8_t>& buffer);
  // Waits milliseconds, or less when woken.
  void Sleep(int milliseconds);
  // The receiving socket as a descriptor that a main-thread loop can wait
  // on, so that Receive may be called there instead of on a thread of its
  // own; -1 where there is none (Windows).
  int ReceiveDescriptor() const;

  // Closes that socket; false when it was not open.
  bool Close(Side side);
  // Closes whatever is open and ends the socket library's use.
  void CloseAll();

 private:
  struct State;  // the platform's handles
  std::unique_ptr<State> m_state;
};

// The system's words for an error code, in Windows-1251; empty when the
// system has no text of its own for it.
std::string NetErrorText(int code);
// Whether a bind that failed with code means that another program holds
// the port (on Windows a port held exclusively is refused as "access
// denied").
bool PortHeldError(int code);

// Overwrites secret bytes so that the compiler cannot leave the store out.
void WipeSecret(void* bytes, std::size_t size);

}  // namespace pelmo
