// The program's random generator: 32-bit linear congruential,
// state := state * 134775813 + 1; a draw below n is the upper 32 bits of
// the new state * n. Main thread only.
#pragma once

#include <cstdint>

namespace pelmo {

class Clock;

class Random {
 public:
  explicit Random(std::uint32_t seed = 0) : m_seed(seed) {}

  void Seed(std::uint32_t seed) { m_seed = seed; }
  // Seeds from the clock (milliseconds of the day and the tick counter).
  void Randomize(const Clock& clock);
  // A value in 0 .. n-1; 0 when n is 0. Advances the state once.
  std::uint32_t Next(std::uint32_t n);
  std::uint32_t State() const { return m_seed; }

 private:
  std::uint32_t m_seed;
};

}  // namespace pelmo
