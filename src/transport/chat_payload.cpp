#include "transport/chat_payload.h"

#include <algorithm>

namespace pelmo {

namespace {

constexpr std::size_t kShortString = 255;

// The payload is sized once, so the writes below never reallocate.
std::size_t ShortSize(std::string_view text) { return 1 + std::min(text.size(), kShortString); }

void AppendBytes(std::vector<std::uint8_t>& payload, std::string_view text) {
  payload.insert(payload.end(), text.begin(), text.end());
}

// One length byte and at most 255 bytes of the text.
void AppendShortString(std::vector<std::uint8_t>& payload, std::string_view text) {
  text = text.substr(0, kShortString);
  payload.push_back(static_cast<std::uint8_t>(text.size()));
  AppendBytes(payload, text);
}

bool ReadShortString(const std::uint8_t* payload, std::size_t length, std::size_t& at,
                     std::string& out) {
  if (at >= length) return false;
  const std::size_t size = payload[at++];
  if (size > length - at) return false;
  out.assign(reinterpret_cast<const char*>(payload + at), size);
  at += size;
  return true;
}

}  // namespace

bool DecodeChatLine(const std::uint8_t* payload, std::size_t length, ChatLineFields& line) {
  if (payload == nullptr || length == 0) return false;
  std::size_t at = 0;
  line.kind = payload[at++];
  if (!ReadShortString(payload, length, at, line.channel)) return false;
  if (line.kind == kKindPassword && !ReadShortString(payload, length, at, line.password)) {
    return false;
  }
  std::size_t end = at;
  while (end < length && payload[end] != 0) ++end;
  line.text.assign(reinterpret_cast<const char*>(payload + at), end - at);
  return true;
}

std::vector<std::uint8_t> EncodeChatLine(std::uint8_t kind, std::string_view channel,
                                         std::string_view text) {
  std::vector<std::uint8_t> payload;
  payload.reserve(1 + ShortSize(channel) + text.size() + 1);
  payload.push_back(kind);
  AppendShortString(payload, channel);
  AppendBytes(payload, text);
  payload.push_back(0);
  return payload;
}

std::vector<std::uint8_t> EncodePasswordLine(std::string_view channel, std::string_view password,
                                             std::string_view text) {
  text = text.substr(0, kShortString);
  std::vector<std::uint8_t> payload;
  payload.reserve(1 + ShortSize(channel) + ShortSize(password) + text.size() + 1);
  payload.push_back(kKindPassword);
  AppendShortString(payload, channel);
  AppendShortString(payload, password);
  AppendBytes(payload, text);
  payload.push_back(0);
  return payload;
}

TopicFields DecodeTopic(const std::uint8_t* payload, std::size_t length) {
  TopicFields topic;
  std::size_t at = 1;
  if (payload == nullptr || !ReadShortString(payload, length, at, topic.channel)) return topic;
  if (at >= length) return topic;
  std::size_t size = payload[at++];
  topic.whole = size <= length - at;
  if (!topic.whole) size = length - at;
  topic.topic.assign(reinterpret_cast<const char*>(payload + at), size);
  return topic;
}

std::vector<std::uint8_t> EncodeTopic(std::string_view channel, std::string_view topic) {
  std::vector<std::uint8_t> payload;
  payload.reserve(1 + ShortSize(channel) + ShortSize(topic));
  payload.push_back(0);
  AppendShortString(payload, channel);
  AppendShortString(payload, topic);
  return payload;
}

}  // namespace pelmo
