#pragma once
// A reader of FITS primary headers (80-character cards in blocks of 2880
// bytes, up to the END card) and the layout of the primary image: NAXIS1
// samples, NAXIS2 lines, NAXIS3 bands one after another, big-endian.
//
// Failure: a text that is not a FITS header, or one whose END card is not
// within the text, raises LabelSyntaxError. Reading looks at each byte of
// the header once.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "label/LabelLayout.h"
#include "label/TextTools.h"

namespace skeldra {

inline constexpr std::size_t fitsCardBytes = 80;
inline constexpr std::size_t fitsBlockBytes = 2880;

struct FitsCard {
    std::string keyword;  // columns 1 to 8, trimmed
    std::string value;    // the value without its comment: a string's contents, or the word as written
    bool quoted = false;
};

struct FitsHeader {
    std::vector<FitsCard> cards;  // cards with a value, in header order
    // Bytes before the primary data: the blocks up to the END card's.
    int64_t headerBytes = 0;

    // The first card of that keyword.
    const FitsCard* find(const std::string& keyword) const;

    void add(FitsCard card);

private:
    std::unordered_map<std::string, std::size_t> first_;  // keyword -> index in cards
};

// A file that starts with the card SIMPLE =.
bool looksLikeFits(std::string_view text);

FitsHeader parseFits(std::string_view text);

LabelLayout fitsLayout(const FitsHeader& header, const std::string& labelPath);

}  // namespace skeldra
