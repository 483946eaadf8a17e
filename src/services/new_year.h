// The New Year greeting: a 500 ms timer, running for the program's
// lifetime, that sends four lines to the whole chat when the clock passes
// midnight of 1 January: the tick before was on 31 December, this one is
// on 1 January of the next year, a year not greeted yet (the year of the
// program's start counts as greeted). A clock that jumps (set from the
// network in June after a start in 2000, say) greets nobody; setting the
// clock back over the turn of a year greeted already neither. Main thread
// only.
#pragma once

#include <string>
#include <vector>

#include "base/date_time.h"
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
  TDateTime m_lastTick;
  EventLoop::TimerId m_timer = 0;
};

}  // namespace pelmo
