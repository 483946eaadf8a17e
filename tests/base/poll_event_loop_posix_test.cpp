#include "base/poll_event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "base/event_loop_contract.h"

namespace pelmo {
namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Poll, EventLoopContract, PollEventLoop);
}  // namespace contract

namespace {

using namespace std::chrono_literals;
using contract::Watchdog;

TEST(PollEventLoop, WatchedDescriptorWakesTheLoop) {
  PollEventLoop loop;
  Watchdog<PollEventLoop> watchdog(loop, 10s);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string received;
  loop.WatchFd(fds[0], [&] {
    char buffer[16];
    ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
    if (got <= 0 || received == "ping") {
      loop.UnwatchFd(fds[0]);
      loop.Quit();
    }
  });
  std::thread writer([&] {
    std::this_thread::sleep_for(20ms);
    ASSERT_EQ(::write(fds[1], "ping", 4), 4);
  });
  loop.Run();
  writer.join();
  EXPECT_EQ(received, "ping");
  EXPECT_FALSE(watchdog.Fired());
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
}  // namespace pelmo
