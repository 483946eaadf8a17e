// What the end-to-end tests of the real pelmobot share: where the program
// is, the loopback addresses of the bot and of its peer, and the bot's chat
// lines as a peer hears them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "fakes/bot_fixture.h"
#include "fakes/udp_peer.h"

namespace pelmo {

// The built pelmobot, or nullptr when the test program was built without it.
// Read in the test's own file: the path is given to each test program.
#ifdef PELMOBOT_PATH
constexpr const char* kPelmobotProgram = PELMOBOT_PATH;
#else
constexpr const char* kPelmobotProgram = nullptr;
#endif

constexpr std::uint32_t kBotAddress = Loopback(1);
constexpr std::uint32_t kPeerAddress = Loopback(2);

// Two participants and a listener on port: Tester on TESTPC at 127.0.0.2,
// Bob on BOBPC at 127.0.0.3, and everybody on the broadcast address, which
// hears what the bot says to all.
::testing::AssertionResult BindTesterBobAndEverybody(UdpPeer& tester, UdpPeer& bob,
                                                     UdpPeer& everybody, std::uint16_t port);

// A chat line heard from the bot: kind, channel, the password of a password channel, text.
struct HeardLine {
  std::uint8_t kind = 0;
  std::string channel;
  std::string password;
  std::string text;
};

// The chat-line payload of packet; nullopt when it is shorter than its
// kind and channel.
std::optional<HeardLine> ParseHeardLine(const PeerPacket& packet);

// The text of packet's chat line; empty for a short payload.
std::string LineText(const PeerPacket& packet);

// The next packet of the type from the bot (its own nick) on socket,
// passing over the others, within timeout.
std::optional<PeerPacket> FromBot(UdpPeer& socket, std::uint8_t type,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace pelmo
