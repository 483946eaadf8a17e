#include "base/line_name.h"

#include <gtest/gtest.h>

#include <string>

namespace pelmo {
namespace {

TEST(LineName, ControlCharactersBecomeBlanksAndNothingElseChanges) {
  EXPECT_EQ(LineName("Evil\r\nAdmin"), "Evil  Admin");
  EXPECT_EQ(LineName(std::string("a\0b\tc\x1F" "d\x7F", 8)), "a b c d ");
  // Windows-1251 letters (and the seen list's 0x8F) are no control
  // characters.
  EXPECT_EQ(LineName("\xC2\xE0\xF1\xFF \x8F"), "\xC2\xE0\xF1\xFF \x8F");
  EXPECT_EQ(LineName(""), "");
  EXPECT_EQ(LineName(" !~"), " !~");
}

}  // namespace
}  // namespace pelmo
