// The core's event loop on Qt's: tasks posted from another thread run on
// the main thread in order, timers repeat or fire once, a timer can stop
// itself, a watched descriptor's task runs while it is readable and can
// stop its own watch, and an error of a task goes to the handler without
// ending the loop.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "ui/qt_event_loop.h"

namespace pelmo {
namespace {

using namespace std::chrono_literals;

// Runs Qt's loop until done() or the time is up.
template <typename Done>
bool RunUntil(Done done, int ms = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

TEST(QtEventLoop, PostedTasksRunOnTheMainThreadInOrder) {
  QtEventLoop loop;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) {
      loop.Post([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
    }
  });
  poster.join();
  ASSERT_TRUE(RunUntil([&] { return order.size() == 100; }));
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(QtEventLoop, TimersRepeatFireOnceAndStop) {
  QtEventLoop loop;
  int repeated = 0, once = 0, self = 0;
  EventLoop::TimerId selfId = 0;
  const EventLoop::TimerId repeatId = loop.StartTimer(10ms, true, [&] { ++repeated; });
  const EventLoop::TimerId onceId = loop.StartTimer(10ms, false, [&] { ++once; });
  selfId = loop.StartTimer(5ms, true, [&] {
    if (++self == 2) loop.StopTimer(selfId);
  });
  EXPECT_NE(repeatId, 0u);
  EXPECT_NE(onceId, repeatId);
  ASSERT_TRUE(RunUntil([&] { return repeated >= 3; }));
  EXPECT_EQ(once, 1);
  EXPECT_EQ(self, 2);
  EXPECT_EQ(loop.TimerCount(), 1u);
  loop.StopTimer(repeatId);
  loop.StopTimer(onceId);  // already fired: harmless
  loop.StopTimer(12345);
  EXPECT_EQ(loop.TimerCount(), 0u);
}

// As the chat's socket is read: one datagram taken each time; the task
// stops watching from within itself after the third, and the fourth is
// left unread.
TEST(QtEventLoop, AWatchedDescriptorsTaskRunsWhileReadableAndCanStopItself) {
  QtEventLoop loop;
  ASSERT_NE(loop.Descriptors(), nullptr);
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
  int taken = 0;
  loop.Descriptors()->WatchFd(pair[0], [&] {
    char byte = 0;
    if (read(pair[0], &byte, 1) == 1 && ++taken == 3) loop.Descriptors()->UnwatchFd(pair[0]);
  });
  for (char c : {'a', 'b', 'c', 'd'}) ASSERT_EQ(write(pair[1], &c, 1), 1);
  EXPECT_TRUE(RunUntil([&] { return taken == 3; }));
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(taken, 3);
  char left = 0;
  EXPECT_EQ(recv(pair[0], &left, 1, MSG_DONTWAIT), 1);
  EXPECT_EQ(left, 'd');
  close(pair[0]);
  close(pair[1]);
}

TEST(QtEventLoop, AnErrorGoesToTheHandlerAndTheLoopGoesOn) {
  QtEventLoop loop;
  std::vector<std::string> errors;
  loop.SetErrorHandler([&](const std::exception& e) { errors.push_back(e.what()); });
  bool after = false;
  loop.Post([] { throw std::runtime_error("task failed"); });
  loop.Post([&] { after = true; });
  ASSERT_TRUE(RunUntil([&] { return after; }));
  EXPECT_EQ(errors, std::vector<std::string>{"task failed"});
}

TEST(QtEventLoop, TasksOfADestroyedLoopDoNotRun) {
  bool ran = false;
  {
    QtEventLoop loop;
    loop.Post([&] { ran = true; });
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace pelmo
