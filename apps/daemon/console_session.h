// The program's platform part: the main loop, the log on standard output,
// the console line and the requests to stop.
//
// Linux: a poll() loop; SIGTERM and SIGINT arrive through a signalfd;
// standard input is read when it is a terminal.
// Windows: a loop without descriptors; Ctrl+C, Ctrl+Break and closing the
// console window arrive through the console's control handler, log-off and
// shut-down through a hidden window (both wait until the bot has said
// goodbye); console input is read by a thread of its own, with QuickEdit
// off; the log is written to a console as UTF-16, so any console code page
// shows it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmo {

class BotView;
class EventLoop;

class ConsoleSession {
 public:
  // Hooks the stop requests. Throws std::runtime_error when it cannot.
  // Made before any other thread starts (Linux: the signal mask).
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  EventLoop& Loop();
  // Log lines to standard output, coloured on a terminal that can.
  BotView& LogView();

  // Main thread, once. From now on onStop runs on the main thread for
  // every stop request and onLine for every console line (UTF-8, without
  // its line end; a last line without one is given at the input's end).
  void Start(std::function<void()> onStop, std::function<void(const std::string&)> onLine);
  // Runs the loop until Quit(); an exception from a task leaves Run() and
  // it may be called again.
  void Run();
  // Any thread.
  void Quit();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace pelmo
