// The payloads of the two packet types that carry text: the chat line
// (type 10) and the topic (type 12). One reader and one writer for the bot
// and the terminal client alike. Strings are Windows-1251 bytes as they
// travel; nick-length strings are one length byte and at most 255 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

enum ChatKind : std::uint8_t {
  kKindLine = 0,      // one-line replies and announcements
  kKindPassword = 2,  // a line into a password channel
  kKindListing = 3,   // long multi-line texts
};

struct ChatLineFields {
  std::uint8_t kind = 0;
  std::string channel;
  std::string password;  // kind 2 only
  std::string text;      // up to the first zero byte or the payload's end
};

// Reads kind, channel, the password of kind 2 and the text. False when the
// payload is empty or a length-prefixed string reaches past its end.
bool DecodeChatLine(const std::uint8_t* payload, std::size_t length, ChatLineFields& line);

// Kind (0 or 3), the channel (cut to 255 bytes), every byte of the text, a
// zero byte.
std::vector<std::uint8_t> EncodeChatLine(std::uint8_t kind, std::string_view channel,
                                         std::string_view text);
// Kind 2: the channel and the password (each cut to 255 bytes), the text
// cut to 255 bytes, a zero byte.
std::vector<std::uint8_t> EncodePasswordLine(std::string_view channel, std::string_view password,
                                             std::string_view text);

struct TopicFields {
  std::string channel;
  std::string topic;
  // Both strings were there in full. A payload cut short still gives what
  // it holds: the channel when it is whole, and the topic's bytes present.
  bool whole = false;
};

// Byte 0 (not read), the channel, the topic.
TopicFields DecodeTopic(const std::uint8_t* payload, std::size_t length);
// Byte 0, the channel and the topic, each cut to 255 bytes.
std::vector<std::uint8_t> EncodeTopic(std::string_view channel, std::string_view topic);

}  // namespace pelmo
