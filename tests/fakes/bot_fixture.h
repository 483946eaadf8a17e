// A whole bot for tests: a temporary working folder with a Net.ini on
// loopback (ip 127.0.0.1, broadcast mode to 127.255.255.255, sniffer off,
// a free high port), a FakeClock, a ManualEventLoop and the interface list
// {127.0.0.1}, so nothing can reach a real network.
//
// Two ways to drive it:
// - offline (PrepareOffline): the settings are loaded and the cipher keyed
//   as a start would, but no socket is opened; every packet the bot sends
//   is recorded instead. Inject packets with Receive*/Inject, read them
//   back with Sent().
// - live: Open/Start open real sockets on loopback; packets
//   are recorded and also sent (RecordSends(true)).
//
// Packets to inject are built by a second codec playing a chat peer, and
// handed to the bot's HandlePacket as the receive thread would hand them,
// so the whole decode path runs. The clock moves 1 ms before each one so
// that no two carry the same stamp. Not thread-safe; main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bot.h"
#include "core/bot_view.h"
#include "fakes/fake_clock.h"
#include "fakes/manual_event_loop.h"
#include "fakes/recording_sender.h"
#include "fakes/temp_dir.h"

namespace pelmo {

// 127.0.0.1 and friends, host order.
constexpr std::uint32_t Loopback(std::uint8_t last, std::uint8_t third = 0) {
  return (127u << 24) | (static_cast<std::uint32_t>(third) << 8) | last;
}
inline constexpr std::uint32_t kLoopbackBroadcast = 0x7FFFFFFFu;  // 127.255.255.255

// One other participant of the chat.
struct ChatPeer {
  std::string nick;   // Windows-1251
  std::string host;   // Windows-1251
  std::uint32_t address = Loopback(2);
  std::uint32_t color = 0x0000A000;
};

// A packet the bot sent, decoded.
struct SentPacket {
  std::uint32_t dstAddr = 0;
  std::uint16_t dstPort = 0;
  std::uint8_t type = 0;
  std::string nick;
  std::string host;
  std::uint32_t color = 0;
  std::vector<std::uint8_t> payload;
  // Chat lines (type 10): kind, channel, text (up to the zero byte);
  // topics (type 12): channel and the topic in text.
  std::uint8_t kind = 0;
  std::string channel;
  std::string password;
  std::string text;
};

// A view that keeps what the front-ends would show.
class RecordingView final : public BotView {
 public:
  struct Line {
    std::string prefix;
    std::string text;
    std::uint32_t color = 0;
  };
  void OnLogLine(const std::string& prefix, const std::string& text,
                 std::uint32_t color) override;
  void OnLogCleared() override { ++logCleared; }
  void OnRosterChanged() override { ++rosterChanges; }
  void OnStatusPanel(int panel, const std::string& text) override;
  void OnTopicChanged(const std::string& topic) override { topics.push_back(topic); }

  // The texts of the log lines, oldest first.
  std::vector<std::string> Texts() const;
  // True when a line's text equals text (Windows-1251).
  bool Contains(const std::string& text) const;
  // Index of the first line equal to text at or after from; -1 if none.
  int IndexOf(const std::string& text, int from = 0) const;
  void Clear() { lines.clear(); }

  std::vector<Line> lines;
  std::vector<std::pair<int, std::string>> panels;
  std::vector<std::string> topics;
  int logCleared = 0;
  int rosterChanges = 0;
};

struct BotFixtureOptions {
  // Lines added to section "chat" of the Net.ini written (e.g. "invisible=1").
  std::vector<std::string> chatKeys;
  // Write no Net.ini at all (the bot then makes its own: not on loopback,
  // so such a fixture must stay offline).
  bool noNetIni = false;
  // 0: a free port found at construction.
  std::uint16_t port = 0;
};

class BotFixture {
 public:
  explicit BotFixture(BotFixtureOptions options = {});
  ~BotFixture();

  // Missing data files created, settings loaded, cipher keyed with the
  // chat key, sends recorded only.
  void PrepareOffline();
  // Sends are recorded; with forward they also go to the network.
  void RecordSends(bool forward);

  // Injects one packet from the peer as received (decode, dedup, dispatch).
  void Inject(const ChatPeer& peer, std::uint8_t type,
              const std::vector<std::uint8_t>& payload);
  void ReceiveJoin(const ChatPeer& peer);
  void ReceiveLeave(const ChatPeer& peer);
  void ReceiveProbe(const ChatPeer& peer);
  void ReceivePresence(const ChatPeer& peer);
  void ReceiveColor(const ChatPeer& peer);
  void ReceiveTopic(const ChatPeer& peer, const std::string& topic,
                    const std::string& channel = "Main");
  void ReceiveChannelJoin(const ChatPeer& peer, const std::string& channel);
  void ReceiveChannelLeave(const ChatPeer& peer, const std::string& channel);
  // A chat line of kind 0 (or 3) into the channel.
  void ReceiveLine(const ChatPeer& peer, const std::string& text,
                   const std::string& channel = "Main", std::uint8_t kind = 0);
  // A kind-2 line into a password channel.
  void ReceivePasswordLine(const ChatPeer& peer, const std::string& text,
                           const std::string& channel, const std::string& password);

  // Every packet the bot handed to the sender since the last ClearSent().
  std::vector<SentPacket> Sent() const;
  // Only those of one type.
  std::vector<SentPacket> SentOfType(std::uint8_t type) const;
  void ClearSent();
  // The texts of the packets sent so far, which are then cleared.
  std::vector<std::string> TakeSentTexts();

  // The peer that is the bot itself (its nick and host, from 127.0.0.1).
  ChatPeer Self() const;

  std::uint16_t Port() const { return m_port; }
  Bot& bot() { return *m_bot; }
  BotParts& parts() { return m_bot->Parts(); }
  ServiceContext& services() { return m_bot->Services(); }

  TempDir dir;
  FakeClock clock;
  ManualEventLoop loop{&clock};
  RecordingView view;

 private:
  class Recorder;
  std::uint16_t m_port = 0;
  std::unique_ptr<Recorder> m_recorder;
  std::unique_ptr<Bot> m_bot;
};

// A UDP port on 127.0.0.1 that was free a moment ago (and its successor,
// used as the source port of sends, too).
std::uint16_t FindFreeLoopbackPort();

// The Net.ini of the tests: loopback, broadcast mode, sniffer off.
std::string LoopbackNetIni(std::uint16_t port,
                           const std::vector<std::string>& chatKeys = {});

// Decodes one datagram with the built-in chat key; false when it is no
// packet.
bool DecodeSentPacket(const std::vector<std::uint8_t>& bytes, SentPacket& packet);

// Builds the bytes of one packet as the peer's client would send it to
// dstAddr, stamped with the clock's time.
std::vector<std::uint8_t> EncodePeerPacket(const ChatPeer& peer, std::uint8_t type,
                                           const std::vector<std::uint8_t>& payload,
                                           std::uint32_t dstAddr, std::uint16_t port,
                                           const Clock& clock);

// Payload builders, as the chat clients lay them out.
std::vector<std::uint8_t> ChatLinePayload(std::uint8_t kind, const std::string& channel,
                                          const std::string& text);
std::vector<std::uint8_t> PasswordLinePayload(const std::string& channel,
                                              const std::string& password,
                                              const std::string& text);
std::vector<std::uint8_t> TopicPayload(const std::string& channel,
                                       const std::string& topic);

}  // namespace pelmo
