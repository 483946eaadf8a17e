#include "services/box_mask.h"

#include <algorithm>

#include "base/cp1251.h"

namespace pelmo {

namespace {

constexpr std::uint32_t kMultiplier = 134775813u;
constexpr std::uint64_t kStates = std::uint64_t{1} << 32;
constexpr unsigned kDrawLimit = 255;

// The multiplier is odd, so it has an inverse modulo 2^32 (Newton's
// iteration doubles the correct low bits each step).
constexpr std::uint32_t Inverse(std::uint32_t a) {
  std::uint32_t x = a;
  for (int i = 0; i < 5; ++i) x *= 2u - a * x;
  return x;
}
constexpr std::uint32_t kInverse = Inverse(kMultiplier);
static_assert(kMultiplier * kInverse == 1u);

unsigned DrawOf(std::uint32_t state) {
  return static_cast<unsigned>((static_cast<std::uint64_t>(state) * kDrawLimit) >> 32);
}

// The seed whose first step gives state.
std::uint32_t SeedBefore(std::uint32_t state) { return (state - 1u) * kInverse; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "\n\r" + day + " " + month + " " + year + ... " From ".
bool IsRecordHead(std::string_view r) {
  if (r.substr(0, 2) != "\n\r") return false;
  std::size_t i = 2;
  const std::size_t dayStart = i;
  while (i < r.size() && IsDigit(r[i]) && i - dayStart < 2) ++i;
  if (i == dayStart || i >= r.size() || r[i] != ' ') return false;
  const std::size_t monthStart = ++i;
  // A month's name in any locale: letters, no blanks or control bytes.
  while (i < r.size() && static_cast<unsigned char>(r[i]) >= 'A' && i - monthStart < 20) ++i;
  if (i == monthStart || i >= r.size() || r[i] != ' ') return false;
  ++i;
  for (int k = 0; k < 4; ++k, ++i) {
    if (i >= r.size() || !IsDigit(r[i])) return false;
  }
  // The year is followed by " г." and the time (h:n:s), then " From ".
  return r.substr(i, 30).find(" From ") != std::string_view::npos;
}

}  // namespace

const std::string& BoxGreeting() {
  static const std::string greeting = W("Спасибо за регистрацию в нашей системе!");
  return greeting;
}

void MaskBoxWith(std::string& text, std::size_t count, std::uint32_t seed) {
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < count && i < text.size(); ++i) {
    state = state * kMultiplier + 1u;
    text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ DrawOf(state));
  }
}

void MaskBoxFrom(std::string& text, std::uint64_t position, std::uint32_t seed) {
  // n steps of state * m + 1 are one affine step state * a + c: squaring
  // the step for each bit of n finds the state at position in log n steps.
  std::uint32_t a = 1;
  std::uint32_t c = 0;
  std::uint32_t stepA = kMultiplier;
  std::uint32_t stepC = 1;
  for (std::uint64_t n = position; n != 0; n >>= 1) {
    if ((n & 1) != 0) {
      a = stepA * a;
      c = stepA * c + stepC;
    }
    stepC = stepA * stepC + stepC;
    stepA = stepA * stepA;
  }
  std::uint32_t state = a * seed + c;
  for (char& byte : text) {
    state = state * kMultiplier + 1u;
    byte = static_cast<char>(static_cast<unsigned char>(byte) ^ DrawOf(state));
  }
}

bool IsBoxText(std::string_view text) {
  if (text.empty()) return true;
  if (text.substr(0, BoxGreeting().size()) == BoxGreeting()) return true;
  if (text.front() != ' ') return false;
  const std::string_view rest = text.substr(1);
  return rest.empty() || IsRecordHead(rest);
}

namespace {

// The states whose draw is draw: state * 255 / 2^32 rounded down.
std::uint64_t FirstStateOf(unsigned draw) {
  return (std::uint64_t{draw} * kStates + kDrawLimit - 1) / kDrawLimit;
}
std::uint64_t LastStateOf(unsigned draw) {
  return ((std::uint64_t{draw} + 1) * kStates - 1) / kDrawLimit;
}

// Candidates kStride apart have next states kStride * kMultiplier (mod
// 2^32) apart: a step so small against 2^32 that the next states of one
// run of such candidates, all of a first draw's range, wrap round 2^32 at
// most once. Where they fall in the second draw's range is then found by
// division, for each of the kStride runs, instead of by trying each of the
// 2^32/255 candidates.
constexpr std::uint32_t kStride = 4812;
constexpr std::uint64_t kStrideStep = std::uint32_t{kStride * kMultiplier};
constexpr std::uint64_t kLongestRun = (kStates / kDrawLimit + 1 + kStride - 1) / kStride;
static_assert(kStrideStep != 0 && kLongestRun * kStrideStep < kStates);

// Calls fits(state) for every state of first..last whose next state lies
// in nextFirst..nextLast (last - first < 2^32/255 + 1).
template <typename Fits>
void ForEachWithNextIn(std::uint64_t first, std::uint64_t last, std::uint64_t nextFirst,
                       std::uint64_t nextLast, Fits&& fits) {
  const std::uint64_t width = nextLast - nextFirst + 1;
  for (std::uint64_t start = first; start < first + kStride && start <= last; ++start) {
    const std::uint64_t count = (last - start) / kStride + 1;
    // The next state of start, counted from nextFirst, mod 2^32; the j-th
    // of the run is offset + j * kStrideStep, mod 2^32, with no more than
    // one wrap along the run.
    const std::uint64_t offset =
        std::uint32_t{static_cast<std::uint32_t>(start) * kMultiplier + 1u -
                      static_cast<std::uint32_t>(nextFirst)};
    const auto take = [&](std::uint64_t from, std::uint64_t to) {  // j in [from, to)
      for (std::uint64_t j = from; j < std::min(to, count); ++j) fits(start + j * kStride);
    };
    // Before the wrap: offset + j * step < width.
    if (offset < width) take(0, (width - offset + kStrideStep - 1) / kStrideStep);
    // After it: 2^32 <= offset + j * step < 2^32 + width.
    take((kStates - offset + kStrideStep - 1) / kStrideStep,
         (kStates + width - offset + kStrideStep - 1) / kStrideStep);
  }
}

}  // namespace

std::vector<std::uint32_t> SeedsForDraws(std::string_view draws) {
  std::vector<std::uint32_t> seeds;
  if (draws.size() < 2) return seeds;
  for (char d : draws) {
    if (static_cast<unsigned char>(d) >= kDrawLimit) return seeds;
  }
  const unsigned first = static_cast<unsigned char>(draws[0]);
  const unsigned second = static_cast<unsigned char>(draws[1]);
  std::vector<std::uint32_t> states;
  ForEachWithNextIn(FirstStateOf(first), LastStateOf(first), FirstStateOf(second),
                    LastStateOf(second), [&](std::uint64_t candidate) {
                      const auto state = static_cast<std::uint32_t>(candidate);
                      std::uint32_t next = state;
                      for (std::size_t i = 1; i < draws.size(); ++i) {
                        next = next * kMultiplier + 1u;
                        if (DrawOf(next) != static_cast<unsigned char>(draws[i])) return;
                      }
                      states.push_back(state);
                    });
  std::sort(states.begin(), states.end());
  seeds.reserve(states.size());
  for (std::uint32_t state : states) seeds.push_back(SeedBefore(state));
  return seeds;
}

std::uint32_t ASeedForFirstDraw(unsigned char draw) {
  return SeedBefore(static_cast<std::uint32_t>(FirstStateOf(draw)));
}

std::vector<std::uint32_t> RecoverBoxSeeds(std::string_view masked) {
  std::vector<std::uint32_t> found;
  // The greeting whole, or " " and the "\n\r" that starts the first record.
  const std::string heads[] = {BoxGreeting(), std::string(" \n\r")};
  for (const std::string& head : heads) {
    const std::size_t known = std::min(head.size(), masked.size());
    if (known < 2 || (head.size() > masked.size() && head != heads[1])) continue;
    std::string draws(known, '\0');
    for (std::size_t i = 0; i < known; ++i) {
      draws[i] = static_cast<char>(static_cast<unsigned char>(masked[i]) ^
                                   static_cast<unsigned char>(head[i]));
    }
    for (std::uint32_t seed : SeedsForDraws(draws)) {
      std::string text(masked);
      MaskBoxWith(text, text.size(), seed);
      if (IsBoxText(text) && std::find(found.begin(), found.end(), seed) == found.end()) {
        found.push_back(seed);
      }
    }
    // A box that begins with the greeting has no other head to try.
    if (!found.empty()) break;
  }
  return found;
}

}  // namespace pelmo
