#include "base/random.h"

#include <cmath>

#include "base/date_time.h"

namespace pelmo {

void Random::Randomize(const Clock& clock) {
  // Milliseconds of the day alone repeat from one day to the next at the
  // same moment; the tick counter breaks that tie.
  TDateTime now = clock.Now();
  double fraction = std::fabs(now - std::trunc(now));
  auto msOfDay = static_cast<std::uint32_t>(std::llround(fraction * 86400000.0));
  m_seed = msOfDay ^ static_cast<std::uint32_t>(clock.TickMs());
}

std::uint32_t Random::Next(std::uint32_t n) {
  m_seed = m_seed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(m_seed) * n) >> 32);
}

}  // namespace pelmo
