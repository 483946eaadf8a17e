#include "base/posted_tasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace pelmo {
namespace {

TEST(PostedTasks, ABatchIsWhatWasQueuedBeforeIt) {
  PostedTasks tasks;
  std::atomic<bool> quit{false};
  std::string trace;
  // Only the first task of a burst finds the queue empty (and wakes the loop).
  EXPECT_TRUE(tasks.Push([&] {
    trace += "a";
    tasks.Push([&] { trace += "c"; });
  }));
  EXPECT_FALSE(tasks.Push([&] { trace += "b"; }));
  tasks.RunBatch(quit);
  EXPECT_EQ(trace, "ab");
  EXPECT_FALSE(tasks.Empty());
  tasks.RunBatch(quit);
  EXPECT_EQ(trace, "abc");
  EXPECT_TRUE(tasks.Empty());
}

TEST(PostedTasks, LeftoversGoBackAheadOfWhatWasPostedMeanwhile) {
  PostedTasks tasks;
  std::atomic<bool> quit{false};
  std::string trace;
  tasks.Push([&] {
    trace += "a";
    tasks.Push([&] { trace += "d"; });
    throw std::runtime_error("task failed");
  });
  tasks.Push([&] {
    trace += "b";
    tasks.Push([&] { trace += "e"; });
    quit = true;
  });
  tasks.Push([&] { trace += "c"; });
  EXPECT_THROW(tasks.RunBatch(quit), std::runtime_error);
  tasks.RunBatch(quit);
  EXPECT_EQ(trace, "ab");
  quit = false;
  tasks.RunBatch(quit);
  EXPECT_EQ(trace, "abcde");
}

}  // namespace
}  // namespace pelmo
