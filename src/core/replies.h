// The send operations of all services: chat lines cut to the maximum
// message size, password-channel lines and topic packets. Every send is
// given where it goes (a ReplyTarget); nothing is set around a call and
// put back after it. A text of more chat lines than kLinesAtOnce goes out
// paced: the flood guard's budget counts answers, and one answer must not
// be a burst of dozens of datagrams (a 16 KB listing with a small
// MaxMessageSize). Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/paced_lines.h"
#include "transport/chat_payload.h"

namespace pelmo {

class BotLog;
class EventLoop;
class PacketCodec;
struct NetSettings;

// Where a send goes: the destination (IPv4, host order), the channel
// written into chat and topic packets, and a colour for the packet header
// when not the bot's own NickColor.
struct ReplyTarget {
  explicit ReplyTarget(std::uint32_t to, std::string inChannel = "Main",
                       std::optional<std::uint32_t> inColor = std::nullopt)
      : address(to), channel(std::move(inChannel)), color(inColor) {}

  std::uint32_t address;
  std::string channel;
  std::optional<std::uint32_t> color;
};

class Replies {
 public:
  // Chat lines of one text sent at once; the later ones follow one per
  // kLineInterval, and at most kMostWaiting wait in all (beyond it a
  // text's later lines are dropped, so that many answers cannot queue
  // without end).
  static constexpr std::size_t kLinesAtOnce = 4;
  static constexpr std::chrono::milliseconds kLineInterval{50};
  static constexpr std::size_t kMostWaiting = 1000;

  Replies(PacketCodec& codec, const NetSettings& settings, BotLog& log, EventLoop& loop);

  // The whole chat (SendAddress) in "Main"; one user (address) in "Main";
  // the whole chat in another channel.
  ReplyTarget ToAll() const;
  static ReplyTarget To(std::uint32_t address) { return ReplyTarget(address); }
  ReplyTarget InChannel(const std::string& channel) const;

  // Sends the text as chat lines of at most MaxMessageSize characters to
  // the target's channel at its address, the first kLinesAtOnce now and
  // the rest paced; an empty text sends nothing.
  void SayText(const ReplyTarget& to, const std::string& text, std::uint8_t kind);
  // Lines still waiting to go; dropped when the bot stops.
  std::size_t Waiting() const { return m_paced.Waiting(); }
  void DropWaiting() { m_paced.Clear(); }
  // One kind-2 line (text cut to 255) with the password into the target's
  // channel.
  void SendPasswordLine(const ReplyTarget& to, const std::string& text,
                        const std::string& password);
  // One topic packet (text cut to 255) for the target's channel.
  void SendTopic(const ReplyTarget& to, const std::string& text);

  // SayText to one user, to the whole chat, to the whole chat in channel.
  void SayTo(std::uint32_t address, const std::string& text, std::uint8_t kind);
  void SayToAll(const std::string& text, std::uint8_t kind);
  void SayInChannel(const std::string& channel, const std::string& text, std::uint8_t kind);
  // The last count ring lines as a unicast kind-3 reply.
  void SendRecentLines(std::uint32_t address, long long count);

  const NetSettings& Settings() const { return m_settings; }

 private:
  int Send(const ReplyTarget& to, const std::vector<std::uint8_t>& payload, std::uint8_t type);

  PacketCodec& m_codec;
  const NetSettings& m_settings;
  BotLog& m_log;
  PacedLines m_paced;
  std::uint64_t m_pacedTexts = 0;  // names each paced text, so none replaces another
};

// "секунда", "секунды" or "секунд" for n (Windows-1251).
std::string SecondsWord(long long n);
// "человека" when n ends in 2, 3 or 4 but not in 12, 13 or 14, else
// "человек" (Windows-1251).
std::string PeopleWord(long long n);

}  // namespace pelmo
