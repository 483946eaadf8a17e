#include "transport/blowfish.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace pelmo {
namespace {

using Block = std::array<std::uint8_t, 8>;

std::vector<std::uint8_t> Hex(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

Block HexBlock(const std::string& text) {
  Block block{};
  const auto bytes = Hex(text);
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return block;
}

// Eric Young's ECB set: key, plaintext, ciphertext.
const char* const kEcbVectors[][3] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// The set_key set: the first n bytes of one 24-byte key, plaintext
// FEDCBA9876543210, for n = 1 .. 24.
const char* const kVariableKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
const char* const kVariableKeyCipher[24] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
    "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
    "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
    "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
    "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

TEST(Blowfish, EcbTestVectors) {
  for (const auto& v : kEcbVectors) {
    SCOPED_TRACE(v[0]);
    const auto key = Hex(v[0]);
    BlowfishContext ctx;
    BlowfishInit(ctx, key.data(), key.size());
    const Block plain = HexBlock(v[1]);
    const Block cipher = HexBlock(v[2]);
    Block out{};
    BlowfishEncryptBlock(ctx, plain.data(), out.data());
    EXPECT_EQ(out, cipher);
    BlowfishDecryptBlock(ctx, cipher.data(), out.data());
    EXPECT_EQ(out, plain);
    // In place.
    Block buf = plain;
    BlowfishEncryptBlock(ctx, buf.data(), buf.data());
    EXPECT_EQ(buf, cipher);
    BlowfishDecryptBlock(ctx, buf.data(), buf.data());
    EXPECT_EQ(buf, plain);
  }
}

TEST(Blowfish, VariableKeyLengths) {
  const auto fullKey = Hex(kVariableKey);
  const Block plain = HexBlock("FEDCBA9876543210");
  for (std::size_t n = 1; n <= 24; ++n) {
    SCOPED_TRACE(n);
    BlowfishContext ctx;
    BlowfishInit(ctx, fullKey.data(), n);
    Block out{};
    BlowfishEncryptBlock(ctx, plain.data(), out.data());
    EXPECT_EQ(out, HexBlock(kVariableKeyCipher[n - 1]));
  }
}

TEST(Blowfish, KeyLengthLimits) {
  std::uint8_t key[57];
  for (int i = 0; i < 57; ++i) key[i] = static_cast<std::uint8_t>(i * 7 + 1);
  BlowfishContext ctx;
  const std::uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  BlowfishInit(ctx, key, 10, iv);
  BlowfishContext before = ctx;

  for (std::size_t bad : {std::size_t{0}, std::size_t{57}}) {
    SCOPED_TRACE(bad);
    try {
      BlowfishInit(ctx, key, bad);
      FAIL() << "no error";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "Blowfish: Key must be between 1 and 56 bytes long");
    }
    EXPECT_EQ(std::memcmp(&ctx, &before, sizeof ctx), 0);
  }
  EXPECT_NO_THROW(BlowfishInit(ctx, key, 1));
  EXPECT_NO_THROW(BlowfishInit(ctx, key, 56));
  // 56 bytes are all used: changing the last one changes the schedule.
  before = ctx;
  key[55] ^= 0xFF;
  BlowfishInit(ctx, key, 56);
  EXPECT_NE(std::memcmp(ctx.PArray, before.PArray, sizeof ctx.PArray), 0);
}

TEST(Blowfish, IvAndChaining) {
  const std::uint8_t key[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const std::uint8_t iv[8] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
  BlowfishContext ctx;
  std::memset(&ctx, 0x5A, sizeof ctx);
  BlowfishInit(ctx, key, sizeof key);
  const Block zero{};
  EXPECT_EQ(0, std::memcmp(ctx.IV, zero.data(), 8));
  EXPECT_EQ(0, std::memcmp(ctx.CV, zero.data(), 8));

  BlowfishInit(ctx, key, sizeof key, iv);
  EXPECT_EQ(0, std::memcmp(ctx.IV, iv, 8));
  EXPECT_EQ(0, std::memcmp(ctx.CV, iv, 8));

  // First CBC block = E(plain xor IV), checked against the bare block function.
  const Block plain = HexBlock("0123456789ABCDEF");
  Block x{};
  for (int i = 0; i < 8; ++i) x[i] = plain[i] ^ iv[i];
  Block expected{};
  BlowfishEncryptBlock(ctx, x.data(), expected.data());

  Block first{}, second{}, third{};
  BlowfishEncryptCBC(ctx, plain.data(), first.data());
  EXPECT_EQ(first, expected);
  EXPECT_EQ(0, std::memcmp(ctx.CV, first.data(), 8));
  BlowfishEncryptCBC(ctx, plain.data(), second.data());
  EXPECT_NE(second, first);  // chained
  BlowfishReset(ctx);
  EXPECT_EQ(0, std::memcmp(ctx.CV, iv, 8));
  BlowfishEncryptCBC(ctx, plain.data(), third.data());
  EXPECT_EQ(third, first);
}

TEST(Blowfish, CbcRoundTripInPlace) {
  const std::uint8_t key[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
  const std::uint8_t iv[8] = {7, 7, 7, 7, 1, 1, 1, 1};
  BlowfishContext ctx;
  BlowfishInit(ctx, key, sizeof key, iv);
  std::vector<std::uint8_t> plain(64);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i % 3);
  auto buf = plain;
  for (std::size_t i = 0; i < buf.size(); i += 8) BlowfishEncryptCBC(ctx, &buf[i], &buf[i]);
  BlowfishReset(ctx);
  EXPECT_NE(buf, plain);
  // Equal plaintext blocks must not give equal ciphertext blocks.
  EXPECT_NE(0, std::memcmp(&buf[0], &buf[24], 8));
  for (std::size_t i = 0; i < buf.size(); i += 8) BlowfishDecryptCBC(ctx, &buf[i], &buf[i]);
  BlowfishReset(ctx);
  EXPECT_EQ(buf, plain);
}

// The block-run functions must equal one CBC call per block, for every
// count (the decipher works in lanes of several blocks and a remainder).
TEST(Blowfish, BlockRunsEqualSingleBlockSteps) {
  const std::uint8_t key[10] = {3, 1, 4, 1, 5, 9, 2, 6, 5, 3};
  const std::uint8_t iv[8] = {2, 7, 1, 8, 2, 8, 1, 8};
  BlowfishContext single;
  BlowfishContext run;
  BlowfishInit(single, key, sizeof key, iv);
  BlowfishInit(run, key, sizeof key, iv);
  for (std::size_t count = 0; count <= 11; ++count) {
    SCOPED_TRACE(count);
    std::vector<std::uint8_t> plain(8 * count);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 13 + count);
    // Each count starts where the previous one left CV, not at the IV.
    std::uint8_t cvStart[8];
    std::memcpy(cvStart, single.CV, 8);
    auto expected = plain;
    for (std::size_t i = 0; i < expected.size(); i += 8) {
      BlowfishEncryptCBC(single, &expected[i], &expected[i]);
    }
    auto buf = plain;
    BlowfishEncryptCBCBlocks(run, buf.data(), count);
    EXPECT_EQ(buf, expected);
    EXPECT_EQ(0, std::memcmp(run.CV, single.CV, 8));

    auto decoded = expected;
    std::uint8_t cvEnd[8];
    std::memcpy(cvEnd, single.CV, 8);
    std::memcpy(single.CV, cvStart, 8);
    std::memcpy(run.CV, cvStart, 8);
    for (std::size_t i = 0; i < decoded.size(); i += 8) {
      BlowfishDecryptCBC(single, &decoded[i], &decoded[i]);
    }
    auto decodedRun = expected;
    BlowfishDecryptCBCBlocks(run, decodedRun.data(), count);
    EXPECT_EQ(decodedRun, plain);
    EXPECT_EQ(decoded, plain);
    EXPECT_EQ(0, std::memcmp(run.CV, single.CV, 8));
    EXPECT_EQ(0, std::memcmp(run.CV, cvEnd, 8));
  }
}

TEST(Blowfish, BurnZeroesEverything) {
  const std::uint8_t key[4] = {1, 2, 3, 4};
  const std::uint8_t iv[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  BlowfishContext ctx;
  BlowfishInit(ctx, key, sizeof key, iv);
  BlowfishBurn(ctx);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&ctx);
  for (std::size_t i = 0; i < sizeof ctx; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

// Our block-by-block CBC must agree with OpenSSL's BF-CBC over a buffer.
TEST(Blowfish, CbcMatchesOpenSsl) {
  OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  OSSL_PROVIDER* deflt = OSSL_PROVIDER_load(nullptr, "default");
  ASSERT_NE(legacy, nullptr);
  EVP_CIPHER* bf = EVP_CIPHER_fetch(nullptr, "BF-CBC", nullptr);
  ASSERT_NE(bf, nullptr);

  const std::uint8_t key[10] = {0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE, 0xF1, 0x0E};
  const std::uint8_t iv[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
  std::vector<std::uint8_t> plain(8 * 37);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 31 + 5);

  std::vector<std::uint8_t> expected(plain.size());
  EVP_CIPHER_CTX* ossl = EVP_CIPHER_CTX_new();
  ASSERT_EQ(1, EVP_EncryptInit_ex(ossl, bf, nullptr, nullptr, nullptr));
  ASSERT_EQ(1, EVP_CIPHER_CTX_set_key_length(ossl, sizeof key));
  ASSERT_EQ(1, EVP_EncryptInit_ex(ossl, nullptr, nullptr, key, iv));
  EVP_CIPHER_CTX_set_padding(ossl, 0);
  int outLen = 0;
  ASSERT_EQ(1, EVP_EncryptUpdate(ossl, expected.data(), &outLen, plain.data(),
                                 static_cast<int>(plain.size())));
  ASSERT_EQ(outLen, static_cast<int>(plain.size()));
  EVP_CIPHER_CTX_free(ossl);
  EVP_CIPHER_free(bf);
  OSSL_PROVIDER_unload(legacy);
  if (deflt) OSSL_PROVIDER_unload(deflt);

  BlowfishContext ctx;
  BlowfishInit(ctx, key, sizeof key, iv);
  auto buf = plain;
  for (std::size_t i = 0; i < buf.size(); i += 8) BlowfishEncryptCBC(ctx, &buf[i], &buf[i]);
  EXPECT_EQ(buf, expected);
  BlowfishReset(ctx);
  for (std::size_t i = 0; i < buf.size(); i += 8) BlowfishDecryptCBC(ctx, &buf[i], &buf[i]);
  EXPECT_EQ(buf, plain);

  BlowfishReset(ctx);
  BlowfishEncryptCBCBlocks(ctx, buf.data(), buf.size() / 8);
  EXPECT_EQ(buf, expected);
  BlowfishReset(ctx);
  BlowfishDecryptCBCBlocks(ctx, buf.data(), buf.size() / 8);
  EXPECT_EQ(buf, plain);
}

}  // namespace
}  // namespace pelmo
