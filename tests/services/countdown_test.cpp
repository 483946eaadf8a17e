#include "services/countdown.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "base/cp1251.h"
#include "fakes/manual_event_loop.h"
#include "fakes/recording_log.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

TEST(CountdownLabel, TwoDigitsEachJoinedByAColon) {
  const struct {
    long long minutes, seconds;
    const char* label;
  } cases[] = {
      {4, 7, "04:07"}, {0, 0, "00:00"}, {0, 59, "00:59"}, {10, 10, "10:10"}, {123, 5, "123:05"},
  };
  for (const auto& c : cases) EXPECT_EQ(CountdownLabel(c.minutes, c.seconds), c.label);
}

TEST(CountdownValue, EditsAreTakenIntoRange) {
  const std::pair<const char*, long long> cases[] = {
      {"30", 30}, {"0", 0}, {"-5", 0}, {"10000", 9999}, {"abc", 0}, {"", 0}, {" 7", 7},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(CountdownValue(text), value) << text;
}

class CountdownTest : public ::testing::Test {
 protected:
  // Advances by whole seconds, collecting the labels shown.
  std::vector<std::string> Seconds(int count) {
    std::vector<std::string> labels;
    countdown.OnLabelChanged = [&] { labels.push_back(countdown.Label()); };
    for (int i = 0; i < count; ++i) loop.Advance(1000ms);
    countdown.OnLabelChanged = nullptr;
    return labels;
  }

  ManualEventLoop loop;
  RecordingLog log;
  std::string minutes = "1";
  std::string seconds = "0";
  bool enabled = true;
  int actions = 0;
  // Set by a test to finish the action later; empty: finish at once.
  std::function<void()> pending;
  bool holdAction = false;
  Countdown countdown{loop, log, "weather", minutes, seconds, enabled,
                      [this](std::function<void()> finished) {
                        ++actions;
                        if (holdAction) {
                          pending = finished;
                        } else {
                          finished();
                        }
                      }};
};

TEST_F(CountdownTest, OneMinuteCountsDownToZeroAndActsAfterSixtyTicks) {
  ASSERT_TRUE(countdown.Start());
  std::vector<std::string> labels = Seconds(59);
  ASSERT_EQ(labels.size(), 59u);
  EXPECT_EQ(labels.front(), "00:59");
  EXPECT_EQ(labels.back(), "00:01");
  EXPECT_EQ(actions, 0);
  labels = Seconds(1);
  EXPECT_EQ(labels, std::vector<std::string>{"00:00"});
  EXPECT_EQ(actions, 1);
  // Started again from the edits: the next action after another 60 ticks.
  EXPECT_TRUE(countdown.Running());
  EXPECT_EQ(countdown.Minutes(), 1);
  Seconds(59);
  EXPECT_EQ(actions, 1);
  Seconds(1);
  EXPECT_EQ(actions, 2);
}

TEST_F(CountdownTest, ZeroIntervalLeavesTheTimerOff) {
  for (auto [m, s] : {std::pair{"0", "0"}, {"-1", "-5"}, {"", "x"}}) {
    minutes = m;
    seconds = s;
    log.Clear();
    EXPECT_FALSE(countdown.Start()) << m << ":" << s;
    EXPECT_FALSE(countdown.Running());
    EXPECT_TRUE(log.ContainsPart(W("Надо задать интервал!")));
  }
  EXPECT_EQ(loop.ActiveTimers(), 0u);
}

TEST_F(CountdownTest, NegativeEditsCountAsZero) {
  minutes = "-3";
  seconds = "2";
  ASSERT_TRUE(countdown.Start());
  EXPECT_EQ(Seconds(2), (std::vector<std::string>{"00:01", "00:00"}));
  EXPECT_EQ(actions, 1);
}

TEST_F(CountdownTest, SwitchOffFreezesTheLabelAndOnResumes) {
  ASSERT_TRUE(countdown.Start());
  Seconds(3);
  EXPECT_EQ(countdown.Label(), "00:57");
  enabled = false;
  EXPECT_TRUE(Seconds(10).empty());
  EXPECT_EQ(countdown.Label(), "00:57");
  enabled = true;
  EXPECT_EQ(Seconds(1), std::vector<std::string>{"00:56"});
}

TEST_F(CountdownTest, PauseAndContinueKeepTheTimeLeft) {
  ASSERT_TRUE(countdown.Start());
  EXPECT_TRUE(countdown.PauseEnabled());
  EXPECT_FALSE(countdown.ContinueEnabled());
  Seconds(5);
  countdown.Pause();
  EXPECT_FALSE(countdown.Running());
  EXPECT_FALSE(countdown.PauseEnabled());
  EXPECT_TRUE(countdown.ContinueEnabled());
  EXPECT_TRUE(Seconds(30).empty());
  countdown.Continue();
  EXPECT_TRUE(countdown.PauseEnabled());
  EXPECT_EQ(Seconds(1), std::vector<std::string>{"00:54"});
}

TEST_F(CountdownTest, SwitchedOnWithoutTimeTakesItFromTheEdits) {
  // The bot's start before any start from the edits.
  minutes = "0";
  seconds = "3";
  countdown.SwitchOn();
  EXPECT_EQ(Seconds(3), (std::vector<std::string>{"00:02", "00:01", "00:00"}));
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(countdown.Running());
}

TEST_F(CountdownTest, TickWithoutTimeAndZeroEditsSwitchesOffWithALogLine) {
  minutes = "0";
  seconds = "0";
  countdown.SwitchOn();
  EXPECT_TRUE(countdown.Running());
  EXPECT_TRUE(Seconds(1).empty());
  EXPECT_FALSE(countdown.Running());
  EXPECT_TRUE(log.ContainsPart(W("интервал не задан, отсчёт выключен")));
  EXPECT_EQ(actions, 0);
}

TEST_F(CountdownTest, ALongActionHoldsTheCountAndAStopMeanwhileKeepsItOff) {
  minutes = "0";
  seconds = "2";
  holdAction = true;
  ASSERT_TRUE(countdown.Start());
  Seconds(2);
  ASSERT_EQ(actions, 1);
  EXPECT_TRUE(countdown.Acting());
  EXPECT_FALSE(countdown.Running());
  EXPECT_TRUE(Seconds(5).empty());
  pending();
  EXPECT_TRUE(countdown.Running());
  pending();  // a second call changes nothing

  Seconds(2);
  ASSERT_EQ(actions, 2);
  countdown.SwitchOff();  // the bot stops during the action
  pending();
  EXPECT_FALSE(countdown.Running());
  EXPECT_EQ(countdown.Seconds(), 2);
  countdown.SwitchOn();
  Seconds(2);
  EXPECT_EQ(actions, 3);
}

TEST_F(CountdownTest, AThrowingActionStillStartsAgain) {
  Countdown throwing{loop, log, "anecdote", minutes, seconds, enabled,
                     [](std::function<void()>) { throw std::runtime_error("no anecdotes"); }};
  minutes = "0";
  seconds = "1";
  ASSERT_TRUE(throwing.Start());
  loop.Advance(1000ms);
  EXPECT_TRUE(log.ContainsPart("no anecdotes"));
  EXPECT_TRUE(throwing.Running());
}

}  // namespace
}  // namespace pelmo
