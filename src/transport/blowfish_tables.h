// The published initial Blowfish tables (the hexadecimal digits of pi after
// the point, in order: 18 P-words, then S-boxes 0 to 3).
#pragma once

#include <cstdint>

namespace pelmo {

extern const std::uint32_t kBlowfishInitP[18];
extern const std::uint32_t kBlowfishInitS[4][256];

}  // namespace pelmo
