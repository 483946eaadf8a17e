// Blowfish (16 rounds, pi-derived tables) with big-endian block halves, so
// the published test vectors hold, and CBC steps over whole 8-byte blocks
// (one block, or a run of blocks with the same effect). There is no padding:
// callers walk whole blocks and reset the chaining value when a message is
// finished.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace pelmo {

struct BlowfishContext {
  std::uint8_t IV[8];
  std::uint8_t CV[8];
  std::uint32_t SBox[4][256];
  std::uint32_t PArray[18];
};

// Thrown by BlowfishInit for a key of 0 or more than 56 bytes, with the
// message "Blowfish: Key must be between 1 and 56 bytes long".
class BlowfishKeyError : public std::invalid_argument {
 public:
  BlowfishKeyError();
};

// Runs the key schedule; IV and CV := iv (8 bytes) or zero when iv is null.
// Throws BlowfishKeyError before changing anything when the length is bad.
void BlowfishInit(BlowfishContext& ctx, const std::uint8_t* key,
                  std::size_t keyLength, const std::uint8_t* iv = nullptr);
// One block; in and out may be the same buffer.
void BlowfishEncryptBlock(const BlowfishContext& ctx, const std::uint8_t in[8],
                          std::uint8_t out[8]);
void BlowfishDecryptBlock(const BlowfishContext& ctx, const std::uint8_t in[8],
                          std::uint8_t out[8]);
// One chained block: out := E(in xor CV); CV := out. May work in place.
void BlowfishEncryptCBC(BlowfishContext& ctx, const std::uint8_t in[8],
                        std::uint8_t out[8]);
// out := D(in) xor CV; CV := in. May work in place.
void BlowfishDecryptCBC(BlowfishContext& ctx, const std::uint8_t in[8],
                        std::uint8_t out[8]);
// blockCount whole blocks at data, in place, with exactly the effect of
// calling BlowfishEncryptCBC / BlowfishDecryptCBC on each block in turn (CV
// ends at the last cipher block). Faster: the chaining value stays in
// registers, and deciphering works on several blocks at once.
void BlowfishEncryptCBCBlocks(BlowfishContext& ctx, std::uint8_t* data,
                              std::size_t blockCount);
void BlowfishDecryptCBCBlocks(BlowfishContext& ctx, std::uint8_t* data,
                              std::size_t blockCount);
// CV := IV.
void BlowfishReset(BlowfishContext& ctx);
// Every byte of the context, IV and CV included, := 0.
void BlowfishBurn(BlowfishContext& ctx);

}  // namespace pelmo
