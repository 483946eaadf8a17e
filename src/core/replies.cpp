#include "core/replies.h"

#include <algorithm>
#include <vector>

#include "base/cp1251.h"
#include "core/bot_log.h"
#include "transport/chat_payload.h"
#include "transport/net_settings.h"
#include "transport/packet_codec.h"

namespace pelmo {

Replies::Replies(PacketCodec& codec, const NetSettings& settings, BotLog& log, EventLoop& loop)
    : m_codec(codec), m_settings(settings), m_log(log), m_paced(loop, 0, kLineInterval) {}

ReplyTarget Replies::ToAll() const { return ReplyTarget(m_settings.SendAddress); }

ReplyTarget Replies::InChannel(const std::string& channel) const {
  return ReplyTarget(m_settings.SendAddress, channel);
}

int Replies::Send(const ReplyTarget& to, const std::vector<std::uint8_t>& payload,
                  std::uint8_t type) {
  if (to.color) return m_codec.SendFromBot(payload, type, to.address, *to.color);
  return m_codec.SendFromBot(payload, type, to.address);
}

void Replies::SayText(const ReplyTarget& to, const std::string& text, std::uint8_t kind) {
  // The settings page saves the size unclamped; a size of 0 would never
  // consume the text. A chunk too big for one packet (only an unclamped
  // size gets there) is refused by the codec with its own log line.
  const std::size_t chunkSize = std::max<std::size_t>(1, m_settings.MaxMessageSize);
  std::vector<PacedLines::Send> later;
  std::size_t sent = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += chunkSize) {
    std::vector<std::uint8_t> payload =
        EncodeChatLine(kind, to.channel, std::string_view(text).substr(pos, chunkSize));
    if (sent < kLinesAtOnce) {
      Send(to, payload, kPacketChatLine);
      ++sent;
      continue;
    }
    if (m_paced.Waiting() + later.size() >= kMostWaiting) break;
    later.push_back([this, to, payload = std::move(payload)] { Send(to, payload, kPacketChatLine); });
  }
  // A short answer sent meanwhile may come between these lines; each
  // text's own lines keep their order.
  if (!later.empty()) m_paced.Add(std::to_string(++m_pacedTexts), std::move(later));
}

void Replies::SendPasswordLine(const ReplyTarget& to, const std::string& text,
                               const std::string& password) {
  Send(to, EncodePasswordLine(to.channel, password, text), kPacketChatLine);
}

void Replies::SendTopic(const ReplyTarget& to, const std::string& text) {
  Send(to, EncodeTopic(to.channel, text), kPacketTopic);
}

void Replies::SayTo(std::uint32_t address, const std::string& text, std::uint8_t kind) {
  SayText(To(address), text, kind);
}

void Replies::SayToAll(const std::string& text, std::uint8_t kind) {
  SayText(ToAll(), text, kind);
}

void Replies::SayInChannel(const std::string& channel, const std::string& text,
                           std::uint8_t kind) {
  SayText(InChannel(channel), text, kind);
}

void Replies::SendRecentLines(std::uint32_t address, long long count) {
  SayTo(address, m_log.RecentLines(count), kKindListing);
}

std::string SecondsWord(long long n) {
  // Remainders truncate toward zero, so a negative count reads "секунд".
  const long long lastTwo = n % 100;
  const long long last = n % 10;
  if (lastTwo >= 10 && lastTwo <= 19) return W("секунд");
  if (last == 1) return W("секунда");
  if (last >= 2 && last <= 4) return W("секунды");
  return W("секунд");
}

std::string PeopleWord(long long n) {
  // Every count a vote can reach: 72 and 102 are "человека" as well.
  if (n < 0) return W("человек");
  const long long lastTwo = n % 100;
  const long long last = lastTwo % 10;
  if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) return W("человека");
  return W("человек");
}

}  // namespace pelmo
