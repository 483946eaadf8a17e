#include "fakes/fake_clock.h"

#include <cmath>

namespace pelmo {
namespace {
constexpr std::int64_t kMsPerDay = 86400000;
}  // namespace

FakeClock::FakeClock() { SetNow(DateTimeParts{2026, 12, 6, 18, 5, 7, 0}); }

FakeClock::FakeClock(TDateTime now, std::uint64_t tickMs) : m_tickMs(tickMs) { SetNow(now); }

TDateTime FakeClock::Now() const {
  // Same arithmetic as EncodeDateTime, so that Now() compares equal to an
  // encoded value of the same moment.
  return static_cast<double>(m_nowMs / kMsPerDay) +
         static_cast<double>(m_nowMs % kMsPerDay) / static_cast<double>(kMsPerDay);
}

void FakeClock::SetNow(TDateTime now) {
  m_nowMs = std::llround(now * static_cast<double>(kMsPerDay));
}

void FakeClock::SetNow(const DateTimeParts& parts) { SetNow(EncodeDateTime(parts)); }

void FakeClock::AdvanceMs(std::uint64_t ms) {
  m_nowMs += static_cast<std::int64_t>(ms);
  m_tickMs += ms;
}

}  // namespace pelmo
