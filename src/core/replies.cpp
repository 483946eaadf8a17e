#include "core/replies.h"

#include <algorithm>
#include <vector>

#include "base/cp1251.h"
#include "core/bot_log.h"
#include "transport/chat_payload.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {

namespace {

constexpr std::size_t kShortString = 255;

}  // namespace

Replies::Replies(PacketCodec& codec, const NetSettings& settings, OutgoingState& out, BotLog& log)
    : m_codec(codec), m_settings(settings), m_out(out), m_log(log) {}

void Replies::SayText(const std::string& text, std::uint8_t kind) {
  // The settings page saves the size unclamped; a size of 0 would never
  // consume the text. A chunk too big for one packet (only an unclamped
  // size gets there) is refused by the codec with its own log line.
  const std::size_t chunkSize = std::max<std::size_t>(1, m_settings.MaxMessageSize);
  for (std::size_t pos = 0; pos < text.size(); pos += chunkSize) {
    m_codec.SendFromBot(
        EncodeChatLine(kind, m_out.OutChannel, std::string_view(text).substr(pos, chunkSize)),
        kPacketChatLine, m_out.OutAddress);
  }
}

void Replies::SendPasswordLine(const std::string& text, const std::string& password) {
  m_codec.SendFromBot(EncodePasswordLine(m_out.OutChannel, password, text), kPacketChatLine,
                      m_out.OutAddress);
}

void Replies::SendTopic(const std::string& text) {
  m_codec.SendFromBot(EncodeTopic(m_out.OutChannel, text), kPacketTopic, m_out.OutAddress);
}

void Replies::SayTo(std::uint32_t address, const std::string& text, std::uint8_t kind) {
  OutStateGuard guard(m_out, m_settings);
  m_out.OutAddress = address;
  SayText(text, kind);
}

void Replies::SayInChannel(const std::string& channel, const std::string& text, std::uint8_t kind) {
  OutStateGuard guard(m_out, m_settings);
  m_out.OutChannel = channel.substr(0, kShortString);
  SayText(text, kind);
}

void Replies::SendRecentLines(std::uint32_t address, long long count) {
  SayTo(address, m_log.RecentLines(count), kKindListing);
}

OutStateGuard::~OutStateGuard() {
  m_out.OutAddress = m_settings.SendAddress;
  m_out.OutChannel = "Main";
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
