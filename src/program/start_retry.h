// The headless program's answer to a start that fails (a bad group
// address, a busy port, sniffer mode without the right to capture): with
// nobody at a window to press Start again, the start is tried again after
// 2, 4, 8, 16 and 30 seconds, about a minute in all, and when the last try
// fails too the program gives up, so that it can end with a non-zero
// status and a service manager restart it (systemd's Restart=on-failure).
// The length of that minute is the caller's: tests make it short.
// Main thread only.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "base/event_loop.h"

namespace pelmo {

class BotLife;
class LineLog;

// The whole back-off: PELMOBOT_START_RETRY_SECONDS from the environment
// (meant for tests; decimals allowed, 0 gives up after the first failure),
// else 60 s, also for a value that is no number of seconds.
std::chrono::milliseconds StartRetryWindow();

class StartRetry {
 public:
  static constexpr std::size_t kTries = 5;

  // giveUp runs once, when the last try has failed.
  StartRetry(EventLoop& loop, BotLife& bot, LineLog& log, std::chrono::milliseconds window,
             std::function<void()> giveUp);
  ~StartRetry();
  StartRetry(const StartRetry&) = delete;
  StartRetry& operator=(const StartRetry&) = delete;

  // After the program's start: when the bot is switched on but not
  // running, the first try is armed. A bot started meanwhile by other
  // means (a reload) ends the tries.
  void AfterStart();
  // After a start the operator asked for: when it failed, the tries begin
  // again from the first, whatever EnableBot says.
  void AfterOperatorStart();
  // The operator stopped the bot or the program ends: no more tries.
  void Cancel();

 private:
  void Arm();
  void Try();

  EventLoop& m_loop;
  BotLife& m_bot;
  LineLog& m_log;
  std::chrono::milliseconds m_window;
  std::function<void()> m_giveUp;
  std::size_t m_tried = 0;
  // Whether a start is wanted: EnableBot at the program's start, or the
  // operator's Start.
  bool m_wanted = false;
  EventLoop::TimerId m_timer = 0;
};

}  // namespace pelmo
