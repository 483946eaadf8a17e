#include "transport/blowfish.h"

#include <bit>
#include <cstring>

#include "transport/blowfish_tables.h"

namespace pelmo {

namespace {

inline std::uint32_t LoadBE(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  return v;
}

inline void StoreBE(std::uint8_t* p, std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

inline std::uint32_t F(const std::uint32_t (&s)[4][256], std::uint32_t x) {
  return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) +
         s[3][x & 0xFF];
}

// Hides a value from the optimiser's reassociation of XOR chains, so that
// each round keeps a single XOR after F on its critical path.
inline std::uint32_t Pin(std::uint32_t v) {
  __asm__("" : "+r"(v));
  return v;
}

// The 16 rounds written out so that the compiler keeps both halves in
// registers; the output order (R, L) undoes the final swap.
inline void Encipher(const BlowfishContext& ctx, std::uint32_t& left,
                     std::uint32_t& right) {
  const std::uint32_t* p = ctx.PArray;
  const auto& s = ctx.SBox;
  std::uint32_t l = left ^ p[0];
  std::uint32_t r = right;
  r = Pin(r ^ p[1]) ^ F(s, l);
  l = Pin(l ^ p[2]) ^ F(s, r);
  r = Pin(r ^ p[3]) ^ F(s, l);
  l = Pin(l ^ p[4]) ^ F(s, r);
  r = Pin(r ^ p[5]) ^ F(s, l);
  l = Pin(l ^ p[6]) ^ F(s, r);
  r = Pin(r ^ p[7]) ^ F(s, l);
  l = Pin(l ^ p[8]) ^ F(s, r);
  r = Pin(r ^ p[9]) ^ F(s, l);
  l = Pin(l ^ p[10]) ^ F(s, r);
  r = Pin(r ^ p[11]) ^ F(s, l);
  l = Pin(l ^ p[12]) ^ F(s, r);
  r = Pin(r ^ p[13]) ^ F(s, l);
  l = Pin(l ^ p[14]) ^ F(s, r);
  r = Pin(r ^ p[15]) ^ F(s, l);
  l = Pin(l ^ p[16]) ^ F(s, r);
  r ^= p[17];
  left = r;
  right = l;
}

inline void Decipher(const BlowfishContext& ctx, std::uint32_t& left,
                     std::uint32_t& right) {
  const std::uint32_t* p = ctx.PArray;
  const auto& s = ctx.SBox;
  std::uint32_t l = left ^ p[17];
  std::uint32_t r = right;
  r = Pin(r ^ p[16]) ^ F(s, l);
  l = Pin(l ^ p[15]) ^ F(s, r);
  r = Pin(r ^ p[14]) ^ F(s, l);
  l = Pin(l ^ p[13]) ^ F(s, r);
  r = Pin(r ^ p[12]) ^ F(s, l);
  l = Pin(l ^ p[11]) ^ F(s, r);
  r = Pin(r ^ p[10]) ^ F(s, l);
  l = Pin(l ^ p[9]) ^ F(s, r);
  r = Pin(r ^ p[8]) ^ F(s, l);
  l = Pin(l ^ p[7]) ^ F(s, r);
  r = Pin(r ^ p[6]) ^ F(s, l);
  l = Pin(l ^ p[5]) ^ F(s, r);
  r = Pin(r ^ p[4]) ^ F(s, l);
  l = Pin(l ^ p[3]) ^ F(s, r);
  r = Pin(r ^ p[2]) ^ F(s, l);
  l = Pin(l ^ p[1]) ^ F(s, r);
  r ^= p[0];
  left = r;
  right = l;
}

// Decipher on N independent blocks, round by round, so that the processor
// overlaps their table lookups. Chained: out := D(in) xor previous input.
template <std::size_t N>
inline void DecipherCbcLanes(const BlowfishContext& ctx, std::uint8_t* data,
                             std::uint32_t& cvL, std::uint32_t& cvR) {
  const std::uint32_t* p = ctx.PArray;
  const auto& s = ctx.SBox;
  std::uint32_t l[N], r[N];
  for (std::size_t k = 0; k < N; ++k) {
    l[k] = LoadBE(data + 8 * k) ^ p[17];
    r[k] = LoadBE(data + 8 * k + 4);
  }
#pragma GCC unroll 8
  for (int i = 16; i > 0; i -= 2) {
    for (std::size_t k = 0; k < N; ++k) r[k] = (r[k] ^ p[i]) ^ F(s, l[k]);
    for (std::size_t k = 0; k < N; ++k) l[k] = (l[k] ^ p[i - 1]) ^ F(s, r[k]);
  }
  for (std::size_t k = 0; k < N; ++k) {
    const std::uint32_t inL = LoadBE(data + 8 * k);
    const std::uint32_t inR = LoadBE(data + 8 * k + 4);
    StoreBE(data + 8 * k, r[k] ^ p[0] ^ cvL);
    StoreBE(data + 8 * k + 4, l[k] ^ cvR);
    cvL = inL;
    cvR = inR;
  }
}

}  // namespace

BlowfishKeyError::BlowfishKeyError()
    : std::invalid_argument("Blowfish: Key must be between 1 and 56 bytes long") {}

void BlowfishInit(BlowfishContext& ctx, const std::uint8_t* key,
                  std::size_t keyLength, const std::uint8_t* iv) {
  if (keyLength < 1 || keyLength > 56 || key == nullptr) throw BlowfishKeyError();

  std::memcpy(ctx.SBox, kBlowfishInitS, sizeof ctx.SBox);
  std::memcpy(ctx.PArray, kBlowfishInitP, sizeof ctx.PArray);
  if (iv != nullptr) {
    std::memcpy(ctx.IV, iv, 8);
  } else {
    std::memset(ctx.IV, 0, 8);
  }
  std::memcpy(ctx.CV, ctx.IV, 8);

  std::size_t j = 0;
  for (std::uint32_t& word : ctx.PArray) {
    std::uint32_t data = 0;
    for (int k = 0; k < 4; ++k) {
      data = (data << 8) | key[j];
      j = (j + 1) % keyLength;
    }
    word ^= data;
  }

  std::uint32_t l = 0;
  std::uint32_t r = 0;
  for (int i = 0; i < 18; i += 2) {
    Encipher(ctx, l, r);
    ctx.PArray[i] = l;
    ctx.PArray[i + 1] = r;
  }
  for (auto& box : ctx.SBox) {
    for (int i = 0; i < 256; i += 2) {
      Encipher(ctx, l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

void BlowfishEncryptBlock(const BlowfishContext& ctx, const std::uint8_t in[8],
                          std::uint8_t out[8]) {
  std::uint32_t l = LoadBE(in);
  std::uint32_t r = LoadBE(in + 4);
  Encipher(ctx, l, r);
  StoreBE(out, l);
  StoreBE(out + 4, r);
}

void BlowfishDecryptBlock(const BlowfishContext& ctx, const std::uint8_t in[8],
                          std::uint8_t out[8]) {
  std::uint32_t l = LoadBE(in);
  std::uint32_t r = LoadBE(in + 4);
  Decipher(ctx, l, r);
  StoreBE(out, l);
  StoreBE(out + 4, r);
}

void BlowfishEncryptCBC(BlowfishContext& ctx, const std::uint8_t in[8],
                        std::uint8_t out[8]) {
  std::uint32_t l = LoadBE(in) ^ LoadBE(ctx.CV);
  std::uint32_t r = LoadBE(in + 4) ^ LoadBE(ctx.CV + 4);
  Encipher(ctx, l, r);
  StoreBE(ctx.CV, l);
  StoreBE(ctx.CV + 4, r);
  StoreBE(out, l);
  StoreBE(out + 4, r);
}

void BlowfishDecryptCBC(BlowfishContext& ctx, const std::uint8_t in[8],
                        std::uint8_t out[8]) {
  const std::uint32_t inL = LoadBE(in);
  const std::uint32_t inR = LoadBE(in + 4);
  std::uint32_t l = inL;
  std::uint32_t r = inR;
  Decipher(ctx, l, r);
  l ^= LoadBE(ctx.CV);
  r ^= LoadBE(ctx.CV + 4);
  // Input halves are already in registers, so in == out is safe.
  StoreBE(ctx.CV, inL);
  StoreBE(ctx.CV + 4, inR);
  StoreBE(out, l);
  StoreBE(out + 4, r);
}

void BlowfishEncryptCBCBlocks(BlowfishContext& ctx, std::uint8_t* data,
                              std::size_t blockCount) {
  // CBC enciphering is serial; keeping the chaining value in registers
  // takes the store and reload of CV off the critical path.
  std::uint32_t l = LoadBE(ctx.CV);
  std::uint32_t r = LoadBE(ctx.CV + 4);
  for (std::size_t i = 0; i < blockCount; ++i, data += 8) {
    l ^= LoadBE(data);
    r ^= LoadBE(data + 4);
    Encipher(ctx, l, r);
    StoreBE(data, l);
    StoreBE(data + 4, r);
  }
  StoreBE(ctx.CV, l);
  StoreBE(ctx.CV + 4, r);
}

void BlowfishDecryptCBCBlocks(BlowfishContext& ctx, std::uint8_t* data,
                              std::size_t blockCount) {
  std::uint32_t cvL = LoadBE(ctx.CV);
  std::uint32_t cvR = LoadBE(ctx.CV + 4);
  std::size_t i = 0;
  for (; i + 4 <= blockCount; i += 4) DecipherCbcLanes<4>(ctx, data + 8 * i, cvL, cvR);
  switch (blockCount - i) {
    case 3: DecipherCbcLanes<3>(ctx, data + 8 * i, cvL, cvR); break;
    case 2: DecipherCbcLanes<2>(ctx, data + 8 * i, cvL, cvR); break;
    case 1: DecipherCbcLanes<1>(ctx, data + 8 * i, cvL, cvR); break;
    default: break;
  }
  StoreBE(ctx.CV, cvL);
  StoreBE(ctx.CV + 4, cvR);
}

void BlowfishReset(BlowfishContext& ctx) { std::memcpy(ctx.CV, ctx.IV, 8); }

void BlowfishBurn(BlowfishContext& ctx) {
  // Volatile stores so that wiping the key material is not optimised away.
  volatile std::uint8_t* bytes = reinterpret_cast<volatile std::uint8_t*>(&ctx);
  for (std::size_t i = 0; i < sizeof ctx; ++i) bytes[i] = 0;
}

}  // namespace pelmo
