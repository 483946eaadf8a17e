#include "base/windows_text_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include "base/cp1251.h"

namespace pelmo {
namespace {

TEST(WindowsText, Utf8AndUtf16RoundTrip) {
  const std::string text = "Пельмени: 100%, №1";
  EXPECT_EQ(WideFromUtf8(text), L"Пельмени: 100%, №1");
  EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text);
  EXPECT_EQ(WideFromUtf8(""), L"");
  EXPECT_EQ(WideFromUtf8("\xFF"), L"\xFFFD");
}

TEST(WindowsText, SystemErrorTextsWithoutLineEnd) {
  // A Winsock code has the system's words, in Windows-1251 for the log.
  const std::string text = SystemErrorCp1251(WSAEADDRINUSE);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(Cp1251ToUtf8(text), SystemErrorUtf8(WSAEADDRINUSE));
  // A code the system does not know has none.
  EXPECT_EQ(SystemErrorCp1251(0x2FFFFFFF), "");
}

}  // namespace
}  // namespace pelmo
