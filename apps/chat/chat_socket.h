// pelmochat's sockets, read from the same Net.ini as the bot's but never
// writing it: one socket bound to the chat port on the wildcard address
// hears the group or the broadcasts; one bound to the client's own address
// and the chat port hears what is sent to this participant alone (the
// bot answers a command at the sender's address and the chat port); one
// sends, from the client's own address. On the bot's own computer the
// client takes an address of its own on the loopback network, so that
// the bot's answers to it do not land on the bot's socket. Simple sockets
// only (no capture mode). Main thread only; no thread of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transport/packet_codec.h"

namespace pelmo {

class IniFile;

struct ChatNetSettings {
  std::uint32_t InterfaceAddress = 0;  // where the group is joined (see below)
  std::uint32_t OwnAddress = 0;        // the client's source address
  std::uint32_t SendAddress = 0;       // the group or broadcast address
  std::uint16_t Port = 50138;
  std::uint8_t TTL = 3;
  bool MulticastMode = true;
  std::uint16_t MaxMessageSize = 7000;
};

// Reads "net" ip, port, ttl, netaddr or IpBroadcast, "socket" MultiCast and
// "chat" MaxMessageSize. The interface is "ip" when this computer has that
// address (the bot's own computer); otherwise (a copy of the bot's Net.ini
// on another computer) it is ownAddress when given, else the address of
// the interface that routes to the group or broadcast address. An own
// address of 0 takes the interface's, or on a loopback "ip" a loopback
// address of this process's own. False, with the reason in error, when
// "ip" or the broadcast address is missing or unreadable, or when no
// interface can be had.
bool ReadChatNetSettings(const IniFile& netIni, std::uint32_t ownAddress,
                         ChatNetSettings& settings, std::string& error);

class ChatSocket final : public DatagramSender {
 public:
  ChatSocket() = default;
  ~ChatSocket() override;
  ChatSocket(const ChatSocket&) = delete;
  ChatSocket& operator=(const ChatSocket&) = delete;

  // Opens the three sockets; false with the system's reason in error.
  bool Open(const ChatNetSettings& settings, std::string& error);
  void Close();

  // The two receiving descriptors, for the event loop (-1 when closed).
  int GroupFd() const { return m_groupFd; }
  int OwnFd() const { return m_ownFd; }
  // One datagram from fd; nullopt when none is waiting or on error. Its
  // DstAddr is the client's own address for what was sent to it alone (at
  // OwnFd), else the group or broadcast address.
  std::optional<TRecvInfo> Receive(int fd);
  // True for a datagram this client sent itself (the group and the
  // broadcast bring them back).
  bool FromSelf(const TRecvInfo& info) const {
    return info.SrcAddr == m_ownAddress && info.SrcPort == m_sendPort;
  }

  int SendDatagram(std::uint32_t srcAddr, std::uint32_t dstAddr, std::uint16_t srcPort,
                   std::uint16_t dstPort, const std::uint8_t* bytes,
                   std::size_t length) override;

 private:
  int m_groupFd = -1;
  int m_ownFd = -1;
  int m_sendFd = -1;
  std::uint32_t m_ownAddress = 0;
  std::uint32_t m_sendAddress = 0;
  std::uint16_t m_sendPort = 0;
  std::vector<std::uint8_t> m_buffer = std::vector<std::uint8_t>(kPacketBufferSize);
};

}  // namespace pelmo
