#include "program/start_retry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "base/cp1251.h"
#include "fakes/bot_fixture.h"
#include "fakes/udp_peer.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// The chat port held by a socket that shares it with nobody, and the bot
// told not to share it either: every start fails until the holder goes.
class StartRetryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string netIni = LoopbackNetIni(f.Port());
    netIni.replace(netIni.find("REUSEADDR=1"), 11, "REUSEADDR=0");
    f.dir.WriteFile("Net.ini", netIni);
    holder.emplace();
    ASSERT_TRUE(holder->Bind(0, f.Port(), /*reuse=*/false));
    f.RecordSends(true);
    f.bot().Open();
    ASSERT_FALSE(f.bot().Running());
  }
  void TearDown() override { f.bot().Close(); }

  int Count(const std::string& text) const {
    int n = 0;
    for (const std::string& line : f.view.Texts()) n += line == text ? 1 : 0;
    return n;
  }

  BotFixture f;
  std::optional<UdpPeer> holder;
  int gaveUp = 0;
  StartRetry retry{f.loop, f.bot(), f.parts().log, 60s, [this] { ++gaveUp; }};
};

TEST_F(StartRetryTest, FiveMoreTriesOverAMinuteThenItGivesUp) {
  retry.AfterStart();
  // The tries come 2, 4, 8, 16 and 30 s after each failure.
  int tries = 1;
  for (const auto delay : {2s, 4s, 8s, 16s, 30s}) {
    f.loop.Advance(delay - 1ms);
    EXPECT_EQ(Count("Not Started."), tries) << delay.count();
    f.loop.Advance(1ms);
    EXPECT_EQ(Count("Not Started."), ++tries) << delay.count();
  }
  EXPECT_EQ(gaveUp, 1);
  EXPECT_TRUE(f.view.Contains(W("Бот не запустился и после 6 попыток.")));
  f.loop.Advance(600s);
  EXPECT_EQ(Count("Not Started."), 6);
  EXPECT_EQ(gaveUp, 1);
}

TEST_F(StartRetryTest, AStartThatSucceedsEndsTheTries) {
  retry.AfterStart();
  f.loop.Advance(2s);
  EXPECT_EQ(Count("Not Started."), 2);
  holder.reset();
  f.loop.Advance(4s);
  EXPECT_TRUE(f.bot().Running());
  f.loop.Advance(600s);
  EXPECT_EQ(Count("Starting..."), 3);
  EXPECT_EQ(gaveUp, 0);
}

TEST_F(StartRetryTest, AStopOfTheOperatorEndsTheTries) {
  retry.AfterOperatorStart();
  f.loop.Advance(2s);
  EXPECT_EQ(Count("Not Started."), 2);
  retry.Cancel();
  holder.reset();
  f.loop.Advance(600s);
  EXPECT_FALSE(f.bot().Running());
  EXPECT_EQ(Count("Starting..."), 2);
  EXPECT_EQ(gaveUp, 0);
}

}  // namespace
}  // namespace pelmo
