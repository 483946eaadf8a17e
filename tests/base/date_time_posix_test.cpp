// The local zone set through TZ with setenv(), which the Windows C library
// lacks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "base/date_time.h"

namespace pelmo {
namespace {

TEST(DateTime, ConvertsUnixTimeInTheLocalZone) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  EXPECT_DOUBLE_EQ(FromUnixTime(0), 25569);
  EXPECT_EQ(FromUnixTime(1796580307, 123), EncodeDateTime({2026, 12, 6, 18, 5, 7, 123}));
  setenv("TZ", "MSK-3", 1);
  tzset();
  EXPECT_EQ(FromUnixTime(1796580307), EncodeDateTime({2026, 12, 6, 21, 5, 7, 0}));
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace pelmo
