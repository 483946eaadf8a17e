#include "program/start_retry.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/cp1251.h"
#include "base/line_log.h"
#include "core/bot_life.h"

namespace pelmo {

namespace {

// The delays before each try, in thirtieths of the window: 2, 4, 8, 16 and
// 30 seconds of a minute.
constexpr std::array<int, StartRetry::kTries> kThirtieths = {1, 2, 4, 8, 15};
constexpr std::chrono::milliseconds kDefaultWindow{60000};

std::string Seconds(std::chrono::milliseconds delay) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(delay.count()) / 1000.0);
  return text;
}

std::optional<std::chrono::milliseconds> ParseRetrySeconds(const std::string& text) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(seconds) || seconds < 0 ||
      seconds > 86400) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(std::llround(seconds * 1000));
}

}  // namespace

std::chrono::milliseconds StartRetryWindow() {
  const char* value = std::getenv("PELMOBOT_START_RETRY_SECONDS");
  if (value == nullptr) return kDefaultWindow;
  return ParseRetrySeconds(value).value_or(kDefaultWindow);
}

StartRetry::StartRetry(EventLoop& loop, BotLife& bot, LineLog& log,
                       std::chrono::milliseconds window, std::function<void()> giveUp)
    : m_loop(loop), m_bot(bot), m_log(log), m_window(window), m_giveUp(std::move(giveUp)) {}

StartRetry::~StartRetry() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
}

void StartRetry::AfterStart() {
  m_wanted = m_bot.SwitchedOn();
  if (m_wanted && !m_bot.Running()) Arm();
}

void StartRetry::AfterOperatorStart() {
  Cancel();
  m_wanted = true;
  if (!m_bot.Running()) Arm();
}

void StartRetry::Cancel() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
  m_tried = 0;
  m_wanted = false;
}

void StartRetry::Arm() {
  if (m_tried == kTries) {
    m_log.LogLine(W("Бот не запустился и после ") + std::to_string(kTries + 1) + W(" попыток."));
    if (m_giveUp) m_giveUp();
    return;
  }
  const std::chrono::milliseconds delay = m_window * kThirtieths[m_tried] / 30;
  m_log.LogLine(W("Запуск не удался; следующая попытка через ") + Seconds(delay) + W(" с (") +
                std::to_string(m_tried + 1) + W(" из ") + std::to_string(kTries) + ").");
  m_timer = m_loop.StartTimer(delay, false, [this] {
    m_timer = 0;
    Try();
  });
}

void StartRetry::Try() {
  if (m_bot.Running() || !m_wanted) return;
  ++m_tried;
  m_bot.Start();
  if (!m_bot.Running()) Arm();
}

}  // namespace pelmo
