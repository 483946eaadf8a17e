// The mask of the offline-message boxes, and how to find the seed of a box
// that another installation wrote.
//
// Byte i of a box's text is XOR-ed with the i-th draw below 255 of the
// program's generator (state := state * 134775813 + 1; the draw is the
// upper 32 bits of state * 255) started from a seed, one fixed seed per
// installation. Every box's text begins with a known text: the
// registration greeting, or " " once the box has been emptied, followed
// by delivered records ("\n\r" + date + time + " From " ...). So a box's
// first bytes give the first draws of its installation's stream. The
// first draw leaves about 2^32 / 255 states after the first step, and each
// further draw keeps about one in 255 of them: 4 known bytes leave about
// one seed, 3 leave a few hundred, which the record that follows the
// " " tells apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

// "Спасибо за регистрацию в нашей системе!" (Windows-1251), the text of a
// box at its registration.
const std::string& BoxGreeting();

// XORs the first count bytes of text (count <= text.size()) with the draws
// from seed; masking twice restores the text.
void MaskBoxWith(std::string& text, std::size_t count, std::uint32_t seed);

// XORs every byte of text with the draws from seed that fall on box
// positions position, position + 1, ...: the bytes of a box text from
// that position on, masked or unmasked without stepping through the ones
// before.
void MaskBoxFrom(std::string& text, std::uint64_t position, std::uint32_t seed);

// True when text reads as a box's text: empty; the greeting and anything
// after it (its 39 bytes leave no doubt); or " ", then nothing or a
// delivered record: "\n\r", day (1 or 2 digits), " ", the month's name,
// " ", a four-digit year and, soon after, " From ". Only the first record
// is looked at: a record's line may hold anything.
bool IsBoxText(std::string_view text);

// The seeds whose draws begin with draws (at least two of them, each
// below 255), smallest state first.
std::vector<std::uint32_t> SeedsForDraws(std::string_view draws);

// A seed whose first draw is draw (below 255): some seed, of the 2^32/255
// that give it.
std::uint32_t ASeedForFirstDraw(unsigned char draw);

// The seeds that unmask the masked text of a box (at least two bytes) to
// a box text, recovered from its first bytes; empty when none does.
std::vector<std::uint32_t> RecoverBoxSeeds(std::string_view masked);

}  // namespace pelmo
