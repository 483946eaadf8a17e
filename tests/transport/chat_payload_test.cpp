#include "transport/chat_payload.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ChatPayload, ReadsPasswordLineUpToTheZeroByte) {
  const Bytes payload{2, 3, 'B', 'o', 'x', 2, 'p', 'w', 'h', 'i', 0, 'x', 'y'};
  ChatLineFields line;
  ASSERT_TRUE(DecodeChatLine(payload.data(), payload.size(), line));
  EXPECT_EQ(line.kind, 2);
  EXPECT_EQ(line.channel, "Box");
  EXPECT_EQ(line.password, "pw");
  EXPECT_EQ(line.text, "hi");
}

TEST(ChatPayload, RefusesStringsPastTheEnd) {
  ChatLineFields line;
  const Bytes channelCut{0, 5, 'M', 'a', 'i'};
  EXPECT_FALSE(DecodeChatLine(channelCut.data(), channelCut.size(), line));
  const Bytes passwordMissing{2, 1, 'B'};
  EXPECT_FALSE(DecodeChatLine(passwordMissing.data(), passwordMissing.size(), line));
  EXPECT_FALSE(DecodeChatLine(nullptr, 0, line));
}

TEST(ChatPayload, TopicCutShortKeepsWhatItHoldsAndSaysSo) {
  const Bytes whole{0, 1, 'M', 3, 'a', 'b', 'c'};
  TopicFields topic = DecodeTopic(whole.data(), whole.size());
  EXPECT_TRUE(topic.whole);
  EXPECT_EQ(topic.channel, "M");
  EXPECT_EQ(topic.topic, "abc");

  const Bytes cut{0, 1, 'M', 200, 'a', 'b'};
  topic = DecodeTopic(cut.data(), cut.size());
  EXPECT_FALSE(topic.whole);
  EXPECT_EQ(topic.channel, "M");
  EXPECT_EQ(topic.topic, "ab");
}

TEST(ChatPayload, WritesTheLayoutsPeersRead) {
  EXPECT_EQ(EncodeChatLine(3, "Main", "hi"), (Bytes{3, 4, 'M', 'a', 'i', 'n', 'h', 'i', 0}));
  EXPECT_EQ(EncodeTopic("M", "t"), (Bytes{0, 1, 'M', 1, 't'}));
  // A password line holds at most 255 bytes of text.
  const Bytes password = EncodePasswordLine("B", "p", std::string(300, 'z'));
  ASSERT_EQ(password.size(), 261u);
  EXPECT_EQ(password[3], 1);
  EXPECT_EQ(password[259], 'z');
  EXPECT_EQ(password[260], 0);
}

}  // namespace
}  // namespace pelmo
