// The New Year greeting: a 500 ms timer, running for the program's
// lifetime, that sends four lines to the whole chat when the clock's year
// moves past the year greeted last (the year of the program's start at
// first). Setting the clock back greets nobody, and coming forward again
// to a year already greeted neither. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "base/event_loop.h"

namespace pelmo {

class Clock;
class Replies;

// The four lines for the year (Windows-1251), "%cf%" included.
std::vector<std::string> NewYearLines(int year);

class NewYearGreeting {
 public:
  // Takes the clock's year as greeted. All references must outlive it.
  NewYearGreeting(EventLoop& loop, const Clock& clock, Replies& replies);
  ~NewYearGreeting();
  NewYearGreeting(const NewYearGreeting&) = delete;
  NewYearGreeting& operator=(const NewYearGreeting&) = delete;

  // Starts the timer (a second call does nothing).
  void Start();
  void Stop();
  // One look at the clock: what the timer does.
  void Tick();
  int GreetedYear() const { return m_greetedYear; }

 private:
  EventLoop& m_loop;
  const Clock& m_clock;
  Replies& m_replies;
  int m_greetedYear;
  EventLoop::TimerId m_timer = 0;
};

}  // namespace pelmo
