// One countdown of the timed features (the weather refresh, the automatic
// anecdote): a 1000 ms timer that counts minutes and seconds down while its
// switch is on and runs its action at zero, and the time-left label the
// settings pages show. The window binds its minutes and seconds edits
// (read at each start), its switch and its label to this object; the
// headless program uses it as it is. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/event_loop.h"

namespace pelmo {

class LineLog;

// "04:07": minutes and seconds, each with a leading "0" below 10.
std::string CountdownLabel(long long minutes, long long seconds);

// An interval edit as the start reads it: a decimal number taken into
// 0..9999 (negative gives 0), or 0 when the text is no number.
long long CountdownValue(const std::string& text);

class Countdown {
 public:
  // The action gets a finish callback that it must call exactly once when
  // it is over (at once or later, on the main thread); the countdown then
  // starts again from the edits. An action that throws counts as finished.
  using Action = std::function<void(std::function<void()> finished)>;

  // name: how the log calls this countdown ("weather", "anecdote").
  // minutes, seconds: the edits; enabled: the switch that lets ticks
  // count. All are read when used and must outlive the countdown, as must
  // the loop and the log.
  Countdown(EventLoop& loop, LineLog& log, std::string name,
            const std::string& minutes, const std::string& seconds,
            const bool& enabled, Action action);
  ~Countdown();
  Countdown(const Countdown&) = delete;
  Countdown& operator=(const Countdown&) = delete;

  // The hidden start button: takes the time from the edits and switches the
  // timer on. Both zero: logs "Надо задать интервал!" and the interval it
  // was given, leaves the timer off and returns false (the window shows the
  // message box).
  bool Start();
  // The bot's start and stop: the timer on or off, the time left untouched.
  // While the action runs, off keeps the countdown from starting again
  // when it finishes (the time is still taken from the edits) and on lets
  // it.
  void SwitchOn();
  void SwitchOff();
  // Pause and continue of the weather page: the timer off and on, the time
  // left untouched. PauseEnabled/ContinueEnabled are the buttons' states.
  void Pause();
  void Continue();
  bool PauseEnabled() const { return !m_paused; }
  bool ContinueEnabled() const { return m_paused; }

  // One second: what the timer does (public for the window's tests).
  void Tick();

  bool Running() const { return m_timer != 0; }
  bool Acting() const { return m_acting; }
  long long Minutes() const { return m_minutes; }
  long long Seconds() const { return m_seconds; }
  // The time-left label as last shown ("" before the first tick).
  const std::string& Label() const { return m_label; }
  // Called after the label changed (the window repaints it).
  std::function<void()> OnLabelChanged;

 private:
  bool LoadFromEdits();
  void SetTimer(bool on);
  void RunAction();
  void Finished();

  EventLoop& m_loop;
  LineLog& m_log;
  std::string m_name;
  const std::string& m_minutesEdit;
  const std::string& m_secondsEdit;
  const bool& m_enabled;
  Action m_action;
  EventLoop::TimerId m_timer = 0;
  long long m_minutes = 0;
  long long m_seconds = 0;
  std::string m_label;
  bool m_paused = false;
  bool m_acting = false;
  bool m_restartAfterAction = true;
  // Lets a finish callback that outlives the countdown do nothing.
  std::shared_ptr<bool> m_alive;
};

}  // namespace pelmo
