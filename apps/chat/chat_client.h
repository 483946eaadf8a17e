// One participant of the chat for pelmochat: the packet codec keyed with
// the chat key, its own sockets, and the chat events turned into lines.
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "base/date_time.h"
#include "base/line_log.h"
#include "base/random.h"
#include "chat_socket.h"
#include "transport/blowfish.h"
#include "transport/chat_payload.h"
#include "transport/chat_key.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {

// "[hh:nn] {channel} nick: text" with the time given as "hh:nn". Line ends
// inside the text become "\n". Windows-1251 in and out.
std::string FormatChatLine(const std::string& time, const std::string& channel,
                           const std::string& nick, const std::string& text);

class ChatClient {
 public:
  // nick and host: Windows-1251, as they travel in every packet.
  ChatClient(const ChatNetSettings& settings, const std::string& nick, const std::string& host,
             const ChatKey& key, const Clock& clock, LineLog& log);
  ~ChatClient();

  // Opens the sockets; false with the reason in error.
  bool Open(std::string& error);
  ChatSocket& Socket() { return m_socket; }
  // Handles every datagram waiting at fd (one of the socket's two).
  void ReceiveFrom(int fd);

  void Join();
  void Leave();
  // A chat line in the channel of SetChannel ("Main" until then), or a
  // topic, to the whole chat.
  void Say(const std::string& text);
  void SetChannel(std::string channel) { m_channel = std::move(channel); }
  void SetTopic(const std::string& topic);
  // Asks who is present; the answers come to OnPresence.
  void Probe();

  // Where a line came from: the sender's nick, whether it was sent to this
  // client alone rather than to the whole chat, and whether it is a chat
  // line (not a join, leave or topic, which answer nothing).
  struct LineSource {
    std::string nick;
    bool toThisClientAlone = false;
    bool chatLine = false;
  };
  // Chat lines, topics, joins and leaves of others, formatted (Windows-1251).
  std::function<void(const std::string& line, const LineSource& source)> OnLine;
  // A presence reply: nick and host of somebody present.
  std::function<void(const std::string& nick, const std::string& host)> OnPresence;

 private:
  void Dispatch(const ReceivedPacket& packet);
  bool FromSelf(const TIncomingPacket& packet) const;
  std::string Now() const;

  ChatNetSettings m_chat;
  const Clock& m_clock;
  LineLog& m_log;
  NetSettings m_settings;
  OutgoingState m_out;
  Random m_random;
  BlowfishContext m_cipher{};
  std::unique_ptr<PacketCodec> m_codec;
  ChatSocket m_socket;
  std::string m_channel = "Main";
};

}  // namespace pelmo
