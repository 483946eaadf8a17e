#include "base/log_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// An output that takes nothing until it is opened, as a pipe nobody reads.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  bool entered = false;
  std::vector<std::string> got;

  void Open() {
    std::lock_guard<std::mutex> lock(mutex);
    open = true;
    changed.notify_all();
  }
  void WaitEntered() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return entered; });
  }
  std::vector<std::string> Got() {
    std::lock_guard<std::mutex> lock(mutex);
    return got;
  }
};

class GateSink final : public LogSink {
 public:
  explicit GateSink(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) {}
  void Write(const std::vector<std::string>& lines) override {
    std::unique_lock<std::mutex> lock(m_gate->mutex);
    m_gate->entered = true;
    m_gate->changed.notify_all();
    m_gate->changed.wait(lock, [this] { return m_gate->open; });
    m_gate->got.insert(m_gate->got.end(), lines.begin(), lines.end());
  }

 private:
  std::shared_ptr<Gate> m_gate;
};

std::string Note(std::uint64_t dropped) { return "dropped " + std::to_string(dropped) + "\n"; }

TEST(LogWriter, ABlockedOutputDropsLinesPastTheBoundAndCountsThem) {
  auto gate = std::make_shared<Gate>();
  LogWriter writer(std::make_unique<GateSink>(gate), 30);
  // The first line is taken and held by the output.
  ASSERT_TRUE(writer.Write("line 0\n", Note));
  gate->WaitEntered();
  // 7 bytes each: four fit the 30, the rest are dropped at once.
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(writer.Write("line " + std::to_string(i) + "\n", Note));
  EXPECT_FALSE(writer.Write("line 4\n", Note));
  EXPECT_FALSE(writer.Write("line 5\n", Note));
  EXPECT_EQ(writer.Dropped(), 2u);
  EXPECT_FALSE(writer.Flush(10ms));

  gate->Open();
  ASSERT_TRUE(writer.Flush(5s));
  EXPECT_TRUE(writer.Write("line 6\n", Note));
  ASSERT_TRUE(writer.Flush(5s));
  EXPECT_EQ(writer.Dropped(), 0u);
  EXPECT_EQ(gate->Got(), (std::vector<std::string>{"line 0\n", "line 1\n", "line 2\n", "line 3\n",
                                                   "dropped 2\n", "line 6\n"}));
}

TEST(LogWriter, ClosingDoesNotWaitForAnOutputThatNeverMoves) {
  auto gate = std::make_shared<Gate>();
  {
    LogWriter writer(std::make_unique<GateSink>(gate), 1000);
    ASSERT_TRUE(writer.Write("held\n", Note));
    gate->WaitEntered();
  }  // returns although the output still holds the line
  gate->Open();
}

}  // namespace
}  // namespace pelmo
