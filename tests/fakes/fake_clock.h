// A clock that tests set and move by hand. Now() and TickMs() return what
// was last set; the Advance helpers move both together, as real time would.
// Holds the wall time as whole milliseconds so that repeated steps add up
// exactly. Dates from 1899-12-30 on only. Not thread-safe.
#pragma once

#include <cstdint>

#include "base/date_time.h"

namespace pelmo {

class FakeClock final : public Clock {
 public:
  // Starts at 6 December 2026 18:05:07 (a Sunday) with the tick counter at 0.
  FakeClock();
  explicit FakeClock(TDateTime now, std::uint64_t tickMs = 0);

  TDateTime Now() const override;
  std::uint64_t TickMs() const override { return m_tickMs; }

  void SetNow(TDateTime now);
  void SetNow(const DateTimeParts& parts);
  void SetTickMs(std::uint64_t tickMs) { m_tickMs = tickMs; }

  // Moves the wall clock and the tick counter forward.
  void AdvanceMs(std::uint64_t ms);
  void AdvanceSeconds(std::uint64_t seconds) { AdvanceMs(seconds * 1000); }
  void AdvanceMinutes(std::uint64_t minutes) { AdvanceMs(minutes * 60000); }
  void AdvanceDays(std::uint64_t days) { AdvanceMs(days * 86400000); }

 private:
  std::int64_t m_nowMs = 0;  // milliseconds since 1899-12-30 00:00
  std::uint64_t m_tickMs = 0;
};

}  // namespace pelmo
