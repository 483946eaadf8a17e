#include "services/new_year.h"

#include <chrono>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "core/replies.h"

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kInterval{500};

int YearOf(const Clock& clock) { return DecodeDateTime(clock.Now()).year; }

}  // namespace

std::vector<std::string> NewYearLines(int year) {
  return {
      W("С Новым Годом.%cf%"),
      W("Пусть всегда будут уют и тепло в вашем доме.%cf%"),
      W("Искренне желаем Вам крепкого здоровья, оптимизма, успехов во всех начинаниях, "
        "осуществления Ваших надежд и желаний.%cf%"),
      W("Сеть Vostra.Net поздравляет вас с первым днём ") + std::to_string(year) +
          W(" годом !!%cf%"),
  };
}

NewYearGreeting::NewYearGreeting(EventLoop& loop, const Clock& clock, Replies& replies)
    : m_loop(loop),
      m_clock(clock),
      m_replies(replies),
      m_greetedYear(YearOf(clock)),
      m_lastTick(clock.Now()) {}

NewYearGreeting::~NewYearGreeting() { Stop(); }

void NewYearGreeting::Start() {
  if (m_timer == 0) m_timer = m_loop.StartTimer(kInterval, true, [this] { Tick(); });
}

void NewYearGreeting::Stop() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
}

void NewYearGreeting::Tick() {
  const DateTimeParts before = DecodeDateTime(m_lastTick);
  m_lastTick = m_clock.Now();
  const DateTimeParts now = DecodeDateTime(m_lastTick);
  const int year = now.year;
  // Only the turn of the year itself: a jump of the clock into a later
  // year is no New Year.
  const bool turned = before.month == 12 && before.day == 31 && now.month == 1 &&
                      now.day == 1 && before.year + 1 == year;
  if (!turned || year <= m_greetedYear) return;
  // Greeted first, so that a failing send cannot repeat the greeting
  // every half second.
  m_greetedYear = year;
  for (const std::string& line : NewYearLines(year)) m_replies.SayToAll(line, kKindLine);
}

}  // namespace pelmo
