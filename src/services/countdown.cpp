#include "services/countdown.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <stdexcept>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "base/str_to_int.h"
#include "core/error_text.h"

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kTickInterval{1000};
constexpr long long kMaxValue = 9999;

std::string TwoDigits(long long value) {
  std::string text = std::to_string(value);
  return value < 10 ? "0" + text : text;
}

}  // namespace

std::string CountdownLabel(long long minutes, long long seconds) {
  return TwoDigits(minutes) + ":" + TwoDigits(seconds);
}

long long CountdownValue(const std::string& text) {
  try {
    return std::clamp(StrToInt(text), 0LL, kMaxValue);
  } catch (const std::invalid_argument&) {
    return 0;
  }
}

Countdown::Countdown(EventLoop& loop, LineLog& log, std::string name,
                     const std::string& minutes, const std::string& seconds,
                     const bool& enabled, Action action)
    : m_loop(loop),
      m_log(log),
      m_name(std::move(name)),
      m_minutesEdit(minutes),
      m_secondsEdit(seconds),
      m_enabled(enabled),
      m_action(std::move(action)),
      m_alive(std::make_shared<bool>(true)) {}

Countdown::~Countdown() { SetTimer(false); }

bool Countdown::Start() {
  if (!LoadFromEdits()) {
    SetTimer(false);
    m_log.LogLine(W("Надо задать интервал!") + " (" + m_name + " " + m_minutesEdit + ":" +
                  m_secondsEdit + ")");
    return false;
  }
  m_paused = false;
  SetTimer(true);
  return true;
}

void Countdown::SwitchOn() {
  m_paused = false;
  if (m_acting) {
    m_restartAfterAction = true;
    return;
  }
  SetTimer(true);
}

void Countdown::SwitchOff() {
  if (m_acting) m_restartAfterAction = false;
  SetTimer(false);
}

void Countdown::Pause() {
  SwitchOff();
  m_paused = true;
}

void Countdown::Continue() {
  SwitchOn();
}

void Countdown::Tick() {
  if (!m_enabled) return;
  // A countdown switched on while it held no time (the bot's start before
  // any start from the edits, or an action that left it at 0:0) takes its
  // time from the edits; otherwise it would never reach zero again.
  if (m_minutes <= 0 && m_seconds <= 0 && !LoadFromEdits()) {
    SetTimer(false);
    m_log.LogLine(W("Отсчёт «") + m_name + W("»: интервал не задан, отсчёт выключен."));
    return;
  }
  if (m_seconds == 0 && m_minutes > 0) {
    m_seconds = 60;
    --m_minutes;
  }
  --m_seconds;
  m_label = CountdownLabel(m_minutes, m_seconds);
  if (OnLabelChanged) OnLabelChanged();
  if (m_minutes == 0 && m_seconds == 0) RunAction();
}

bool Countdown::LoadFromEdits() {
  m_minutes = CountdownValue(m_minutesEdit);
  m_seconds = CountdownValue(m_secondsEdit);
  return m_minutes > 0 || m_seconds > 0;
}

void Countdown::SetTimer(bool on) {
  if (on && m_timer == 0) {
    m_timer = m_loop.StartTimer(kTickInterval, true, [this] { Tick(); });
  } else if (!on && m_timer != 0) {
    m_loop.StopTimer(m_timer);
    m_timer = 0;
  }
}

void Countdown::RunAction() {
  SetTimer(false);
  m_acting = true;
  m_restartAfterAction = true;
  std::weak_ptr<bool> alive = m_alive;
  auto called = std::make_shared<bool>(false);
  auto finished = [this, alive, called] {
    if (alive.expired() || *called) return;
    *called = true;
    Finished();
  };
  try {
    m_action(finished);
  } catch (const std::exception& e) {
    m_log.LogLine(ErrorLogLine(e));
    finished();
  }
}

void Countdown::Finished() {
  m_acting = false;
  if (m_restartAfterAction) {
    Start();
  } else {
    // Stopped meanwhile: the time is ready for the next switch-on.
    LoadFromEdits();
  }
}

}  // namespace pelmo
