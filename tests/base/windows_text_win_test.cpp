#include "base/windows_text_win.h"

#include <windows.h>

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
  // The system's words, in Windows-1251 for the log. (Wine has no texts
  // for the Winsock codes, Windows has.)
  const std::string text = SystemErrorCp1251(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(Cp1251ToUtf8(text), SystemErrorUtf8(ERROR_ACCESS_DENIED));
  // A code the system does not know has none.
  EXPECT_EQ(SystemErrorCp1251(0x2FFFFFFF), "");
}

}  // namespace
}  // namespace pelmo
