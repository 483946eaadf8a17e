// The bot's two sockets and the receive thread.
//
// Simple mode: ordinary UDP sockets. The receiving socket is bound to the
// wildcard address and the chat port (on Linux a socket bound to a unicast
// address receives no broadcast or multicast datagrams); LocalAddress is
// kept for the group memberships, the multicast interface, the arrival
// filter and the log. Multicast mode joins SendAddress once on every
// interface, as many as the system lets one socket join; broadcast mode
// sets SO_BROADCAST on the sending socket. In either mode only what
// arrives on LocalAddress's interface, or is addressed to LocalAddress, is
// taken: a chat kept on loopback hears nothing of the LAN, and one on a
// LAN card nothing of other networks.
//
// Sniffer mode on Linux: an AF_PACKET capture bound to the interface of
// LocalAddress picks out the chat's UDP datagrams with the receive loop's
// filter, after putting IPv4 fragments back together (a capture sees the
// link's pieces, not the kernel's whole datagrams); packets leave through a
// raw socket with IP_HDRINCL and headers of our own, in fragments when
// longer than the link's MTU. Needs root or CAP_NET_RAW; without them
// NetStart fails cleanly. On Windows: a raw socket bound to LocalAddress in
// SIO_RCVALL mode and a raw sending socket with IP_HDRINCL, both for
// Administrators only.
//
// The steps, their order and their log lines are the same on every
// platform (net.cpp, net_receive.cpp); the system calls under them are
// NetSockets' (net_sockets.h).
//
// Where the main thread's loop waits on descriptors itself (the Linux
// programs), the main thread reads the receiving socket when it is
// readable and calls PacketCodec::HandlePacket at once: an answer then
// costs no wake-up of a second thread, which on a busy or virtual machine
// is much of its time. What waits meanwhile waits in the socket's buffer,
// which is sized for a burst of thousands of commands.
//
// Elsewhere (Windows) a receive thread reads the socket. It never decodes:
// each accepted datagram is posted to the main thread, which calls
// PacketCodec::HandlePacket. What waits there is bounded (hand_off.h);
// beyond the bound datagrams are dropped.
//
// Either way, the datagrams dropped (by the hand-off, or by the system for
// want of room in the socket's buffer, where it counts them) are logged
// at most once a second with their number.
//
// While started, the interface of LocalAddress is looked at every few
// seconds: one deleted and made again (a USB card plugged anew, a bridge or
// VPN device rebuilt) has a new index, and its filter, its group
// membership and the sending socket's choice of it are taken up again,
// with one log line. A lasting send error is logged once per ten seconds.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/event_loop.h"
#include "transport/blowfish.h"
#include "transport/hand_off.h"
#include "transport/net_sockets.h"
#include "transport/packet_codec.h"

namespace pelmo {

class FragmentReassembler;
class IniFile;
class LineLog;
struct NetSettings;

// Why the last start failed, in terms an operator can act on.
struct StartFault {
  enum class Kind {
    kNone,      // the last start succeeded, or none was made
    kPortHeld,  // the bind was refused: another program holds the port
    kNotGroup,  // multicast mode with an address outside 224.0.0.0/4
    kOther,     // anything else; words says what
  };
  Kind kind = Kind::kNone;
  // The system's words for the error (Windows-1251), empty when none.
  std::string words;
  // What the start was made with.
  std::uint16_t port = 0;
  std::uint32_t group = 0;
};

// Whether address (host order) is an IPv4 multicast group, 224.0.0.0 to
// 239.255.255.255.
inline bool IsGroupAddress(std::uint32_t address) { return (address >> 28) == 0xE; }

class Net final : public DatagramSender {
 public:
  // netIni: where "crypt" Key and IV are read at every start. Registers
  // itself as the codec's sender (and unregisters when destroyed, so the
  // codec must outlive it).
  Net(NetSettings& settings, PacketCodec& codec, BlowfishContext& cipher, EventLoop& loop,
      LineLog& log, const IniFile& netIni);
  ~Net() override;  // stops the network without announcing
  Net(const Net&) = delete;
  Net& operator=(const Net&) = delete;

  // Main thread. Opens the sockets, starts receiving, keys the
  // cipher, draws a new epoch byte, sends the join announcement and
  // a probe to SendAddress. Logs every step. False when a
  // step failed; then nothing is left open, as also when an exception (of
  // the log, say) passes through before the network is up.
  bool NetStart();
  // Main thread. Sends the leave announcement, ends receiving (a receive
  // thread promptly, also while it blocks in a receive, and while
  // datagrams keep coming), closes the sockets and wipes the cipher. False
  // when it was not running.
  bool NetStop();
  bool NetStarted() const { return m_started; }
  // Why the last NetStart failed (kNone after one that succeeded, and
  // after a stop).
  const StartFault& LastStartFault() const { return m_fault; }

  int SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr,
                   std::uint16_t srcPort, std::uint16_t dstPort,
                   const std::uint8_t* bytes, std::size_t length) override;

  // Logs "Net error: " + the system's text for code (errno on Linux, a
  // Winsock code on Windows).
  void ReportNetError(int code);

  // Main thread. Looks at LocalAddress's interface now, as the timer does
  // every kInterfaceCheckInterval while started: when it has gone, logs
  // that once; when it is there with another index than before, takes it
  // up again (filter, membership, sending interface) and logs one line.
  void CheckInterface();
  static constexpr std::chrono::milliseconds kInterfaceCheckInterval{2000};
  static constexpr std::chrono::seconds kSendErrorQuiet{10};

  // While set (a stop is in progress) received datagrams are discarded.
  // Any thread.
  void SetStopping(bool stopping) { m_stopping = stopping; }

  // Main thread. The interfaces on which the next start joins the
  // multicast group, instead of GetInterfaces() (tests give loopback so
  // that no membership report reaches a LAN).
  void SetInterfaces(std::vector<std::uint32_t> interfaces) {
    m_interfaces = std::move(interfaces);
  }

 private:
  using AliveFlag = std::shared_ptr<std::atomic<bool>>;
  bool OpenReceiveSocket();
  bool OpenSendSocket();
  bool JoinGroups();
  // Reading on the main thread's loop where it waits on descriptors, else
  // the wake-up and the receive thread; false (logged, closed) when either
  // cannot be had.
  bool StartReceiving();
  bool Receiving() const { return m_thread.joinable() || m_watcher != nullptr; }
  void ReceiveLoop(AliveFlag alive);
  // Main thread: the socket readable calls TakeWaiting on the loop.
  void WatchSocket();
  // The reader: the system's count of datagrams its buffer dropped, as it
  // came with a receipt; a rise is reported as the hand-off's drops are.
  void CountSystemDrops(const AliveFlag& alive, std::uint32_t drops);
  // Who takes from the socket: the main loop handles each accepted
  // datagram at once and a batch at a time; the receive thread posts each
  // to the main thread and takes all that waits.
  enum class Reader { kMainLoop, kReceiveThread };
  // Takes what waits on the receiving socket; returns once nothing is
  // left, after an error, at the end of a batch, or at stop.
  void TakeWaiting(const AliveFlag& alive, Reader reader, std::vector<std::uint8_t>& buffer,
                   FragmentReassembler& fragments);
  // Main loop, after a receive error: logged, and the socket unwatched
  // for a while.
  void RestAfterError(const AliveFlag& alive, int error);
  // Whether what Receive put into buffer is a datagram for the chat; fills
  // info when it is.
  bool Accept(const std::vector<std::uint8_t>& buffer, const NetSockets::Receipt& got,
              FragmentReassembler& fragments, TRecvInfo& info);
  // What the receive thread hands to the main thread: an error, a
  // datagram, and "Mem Error." when even the post could not be allocated.
  void PostError(const AliveFlag& alive, int code);
  void PostDatagram(const AliveFlag& alive, TRecvInfo info);
  void PostMemError(const AliveFlag& alive);
  // Receive thread: arranges the report of the datagrams the hand-off
  // dropped, a second after the first of them.
  void PostDropReport(const AliveFlag& alive);
  // A send error; another within kSendErrorQuiet of the last one logged is
  // only counted, and the count is named with the next line.
  void ReportSendError(int code);
  bool Fail(int code);
  // Fail, remembering what the operator can do about it.
  bool Fail(StartFault::Kind kind, int code);
  void EndReceiving();
  void CloseSockets();
  void StopTimers();

  NetSettings& m_settings;
  StartFault m_fault;
  PacketCodec& m_codec;
  BlowfishContext& m_cipher;
  EventLoop& m_loop;
  LineLog& m_log;
  const IniFile& m_netIni;

  bool m_started = false;
  std::thread m_thread;
  std::atomic<bool> m_terminate{false};
  std::atomic<bool> m_stopping{false};
  // Copies of the settings the receive thread reads, taken at start.
  bool m_snifferMode = false;
  std::uint16_t m_port = 0;
  std::uint32_t m_localAddress = 0;
  std::uint8_t m_ttl = 0;
  std::uint32_t m_group = 0;  // SendAddress
  bool m_multicastMode = false;
  std::optional<std::vector<std::uint32_t>> m_interfaces;
  // One flag per run: false once that run is stopped, so that tasks posted
  // by it and run later do nothing.
  AliveFlag m_alive;
  // Sniffer mode: the identification of the last packet sent in pieces.
  std::uint16_t m_fragmentId = 0;
  // Of the run: what waits for the main thread, and the count of drops.
  std::shared_ptr<HandOff> m_handOff;
  std::uint32_t m_systemDrops = 0;
  // Of a run read on the main thread: the loop's watching, the socket
  // watched, the buffer, and a pause after a receive error.
  DescriptorWatcher* m_watcher = nullptr;
  int m_watchedFd = -1;
  std::vector<std::uint8_t> m_buffer;
  std::unique_ptr<FragmentReassembler> m_fragments;
  EventLoop::TimerId m_rewatchTimer = 0;
  EventLoop::TimerId m_dropReportTimer = 0;
  // The index LocalAddress's interface had when last looked at; 0 while it
  // is gone.
  unsigned long m_interfaceIndex = 0;
  EventLoop::TimerId m_interfaceTimer = 0;
  // Whether a send error of the run was logged, when the last one was, and
  // how many were not logged since.
  bool m_sendErrorLoggedOnce = false;
  std::chrono::steady_clock::time_point m_sendErrorLogged;
  std::uint64_t m_sendErrorsQuiet = 0;
  NetSockets m_sockets;
};

// This computer's IPv4 interface addresses, host order: non-loopback ones
// first, loopback last. Empty when none.
std::vector<std::uint32_t> GetInterfaces();
// The first of them; 0 when none.
std::uint32_t GetLocalAddress();
std::string AddressToText(std::uint32_t address);
// Dotted decimal; an unparsable text gives 255.255.255.255.
std::uint32_t TextToAddress(std::string_view text);

}  // namespace pelmo
