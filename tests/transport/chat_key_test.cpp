#include "transport/chat_key.h"

#include <gtest/gtest.h>

#include <string>

#include "base/ini_file.h"
#include "fakes/recording_log.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

const char* const kKeyComplaint = "Crypt key in Net.ini is malformed; the built-in key is used.";
const char* const kIvComplaint = "Crypt IV in Net.ini is malformed; the built-in IV is used.";

ChatKey Load(const std::string& netIniText, RecordingLog& log) {
  TempDir dir;
  dir.WriteFile("Net.ini", netIniText);
  return LoadChatKey(IniFile(dir.FilePath("Net.ini")), log);
}

TEST(ChatKey, BuiltInValuesWithoutACryptSection) {
  RecordingLog log;
  const ChatKey key = Load("[net]\r\nport=50138\r\n", log);
  EXPECT_EQ(key.key, BuiltInChatKey().key);
  EXPECT_EQ(key.iv, BuiltInChatKey().iv);
  EXPECT_TRUE(log.Lines().empty());
  // Missing file: the same.
  EXPECT_EQ(LoadChatKey(IniFile("/nonexistent/Net.ini"), log).key, BuiltInChatKey().key);
  EXPECT_TRUE(log.Lines().empty());
}

TEST(ChatKey, ReadsHexKeyAndIv) {
  RecordingLog log;
  const ChatKey key =
      Load("[Crypt]\r\nkey = 00112233445566778899\r\niv=a1B2c3D4e5F60718\r\n", log);
  EXPECT_EQ(key.key, (std::array<std::uint8_t, 10>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66,
                                                   0x77, 0x88, 0x99}));
  EXPECT_EQ(key.iv,
            (std::array<std::uint8_t, 8>{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}));
  EXPECT_TRUE(log.Lines().empty());
}

TEST(ChatKey, MalformedValuesKeepTheBuiltInOnes) {
  const char* const badKeys[] = {"0011223344556677889",    // 19 digits
                                 "001122334455667788990",  // 21 digits
                                 "0011223344556677889G",   // not hex
                                 "0x11223344556677889"};
  for (const char* bad : badKeys) {
    SCOPED_TRACE(bad);
    RecordingLog log;
    const ChatKey key = Load(std::string("[crypt]\r\nKey=") + bad + "\r\nIV=0102030405060708\r\n", log);
    EXPECT_EQ(key.key, BuiltInChatKey().key);
    EXPECT_EQ(key.iv, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].Text, kKeyComplaint);
    EXPECT_EQ(log.Lines()[0].Color, 0u);
  }

  RecordingLog log;
  const ChatKey key = Load("[crypt]\r\nKey=00112233445566778899\r\nIV=01020304050607\r\n", log);
  EXPECT_EQ(key.key[9], 0x99);
  EXPECT_EQ(key.iv, BuiltInChatKey().iv);
  EXPECT_EQ(log.Texts(), std::vector<std::string>{kIvComplaint});
}

}  // namespace
}  // namespace pelmo
