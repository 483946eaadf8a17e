// A second chat participant for tests: one UDP socket (on loopback or in a
// namespace the test made), raw datagrams, and chat packets enciphered and
// deciphered with its own Blowfish context keyed with the built-in chat
// key, as another client of the chat would. The socket belongs to the
// network namespace of the thread that calls Bind. Not thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/packet_codec.h"

namespace pelmo {

struct PeerDatagram {
  std::vector<std::uint8_t> Bytes;
  std::uint32_t SrcAddr = 0;  // host order
  std::uint16_t SrcPort = 0;
};

struct PeerPacket {
  TIncomingPacket Header;
  std::vector<std::uint8_t> Payload;
  std::uint32_t SrcAddr = 0;
  std::uint16_t SrcPort = 0;
};

class UdpPeer {
 public:
  UdpPeer();
  ~UdpPeer();
  UdpPeer(const UdpPeer&) = delete;
  UdpPeer& operator=(const UdpPeer&) = delete;

  // Opens the socket and binds address:port (host order; port 0 picks
  // one). reuse sets SO_REUSEADDR, so that the peer can share the chat port
  // with the bot. False (errno set) on failure.
  bool Bind(std::uint32_t address, std::uint16_t port, bool reuse = true);
  std::uint16_t LocalPort() const;
  int Fd() const { return m_fd; }

  bool EnableBroadcast();
  // Joins group on the interface with address interfaceAddress.
  bool JoinGroup(std::uint32_t group, std::uint32_t interfaceAddress);
  // Sends group packets through that interface, with that TTL.
  bool SetMulticastInterface(std::uint32_t interfaceAddress, std::uint8_t ttl = 1);

  bool SendRaw(std::uint32_t address, std::uint16_t port, const std::vector<std::uint8_t>& bytes);
  // The next datagram, or nullopt when none came within timeout.
  std::optional<PeerDatagram> Receive(std::chrono::milliseconds timeout);

  // The peer's identity in its packets.
  std::string Nick = "Tester";
  std::string Host = "TESTPC";
  std::uint32_t Color = 0x00FF00;

  // A chat packet from this peer (source address is written nowhere in the
  // packet, so none is asked). Every packet gets a stamp of its own.
  std::vector<std::uint8_t> EncodePacket(std::uint8_t type,
                                         const std::vector<std::uint8_t>& payload);
  bool SendPacket(std::uint32_t address, std::uint16_t port, std::uint8_t type,
                  const std::vector<std::uint8_t>& payload);
  // Deciphers one datagram; nullopt when it is no valid packet.
  std::optional<PeerPacket> DecodePacket(const PeerDatagram& datagram);
  // The next datagram that decodes, skipping others, within timeout.
  std::optional<PeerPacket> ReceivePacket(std::chrono::milliseconds timeout);
  // The next packet of that type, skipping others, within timeout.
  std::optional<PeerPacket> ReceivePacketOfType(std::uint8_t type,
                                                std::chrono::milliseconds timeout);

 private:
  struct CodecParts;
  int m_fd = -1;
  std::unique_ptr<CodecParts> m_codec;
};

// A chat-line payload (type 10) of kind 0: channel, text, a zero byte.
std::vector<std::uint8_t> ChatLinePayload(const std::string& channel, const std::string& text);

}  // namespace pelmo
