// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A reader of FITS headers (80-character cards in blocks of 2880 bytes, up
// to the END card) and the layout of a FITS file's image: NAXIS1 samples,
// NAXIS2 lines, NAXIS3 bands one after another, big-endian. The image is
// that of the first HDU holding one (the primary header or an IMAGE
// extension), or of the HDU chosen; consecutive image HDUs of the same
// shape, sample type and scaling become the bands of one image, the headers
// and padding between them its gaps.
//
// Failure: a text that is not a FITS header, or one whose END card is not
// within the text, raises LabelSyntaxError. Reading looks at each byte of
// the header once; the HDUs after the primary are found from the data sizes
// their headers give, reading at most a bounded number of header bytes.
#include <cstdint>
#include <functional>
#include <optional>
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
    // Bytes of the header: the blocks up to the END card's.
    int64_t headerBytes = 0;

    // The first card of that keyword.
    const FitsCard* find(const std::string& keyword) const;

    void add(FitsCard card);

private:
    std::unordered_map<std::string, std::size_t> first_;  // keyword -> index in cards
};

// One header-and-data unit of a FITS file.
struct FitsHdu {
    int64_t number = 1;  // 1 the primary
    int64_t start = 0;   // position of its header in the file
    FitsHeader header;
    int64_t dataBytes = -1;  // without the padding to whole blocks; -1 when the header does not say
};

// A file that starts with the card SIMPLE =.
bool looksLikeFits(std::string_view text);
bool isFitsEndCard(std::string_view card);

FitsHeader parseFits(std::string_view text);           // a primary header (SIMPLE =)
FitsHeader parseFitsExtension(std::string_view text);  // an extension's header (XTENSION =)

// A card's value as a whole number ("512", "+512", "512.0"); empty otherwise.
std::optional<int64_t> fitsWholeNumber(const FitsCard& card);

// Up to n bytes of the file at a position (fewer at its end).
using FitsRead = std::function<std::string(int64_t position, std::size_t n)>;

// The HDUs of a file of fileSize bytes: the primary, then each extension
// after the data of the one before, while their headers read, within
// headerBudget bytes of headers in all. Why the list ends early is noted.
std::vector<FitsHdu> readFitsHdus(const FitsHeader& primary, const FitsRead& read, int64_t fileSize,
                                  int64_t headerBudget, std::vector<std::string>& notes);

// The layout of the image of the first HDU holding one, with the alike
// HDUs after it as bands, or of HDU chosenHdu alone (0: none chosen). A
// chosen HDU that holds no image raises an Error naming those that do.
LabelLayout fitsFileLayout(const std::vector<FitsHdu>& hdus, const std::string& labelPath, int64_t chosenHdu);

// The layout of a file of the primary header alone.
LabelLayout fitsLayout(const FitsHeader& header, const std::string& labelPath);

// For the readers of one HDU: whether the primary header claims to follow
// the standard (noted when not), and the axes, sample type, scaling and
// BLANK of one HDU's image, its data starting at dataStart; false (noted,
// nothing set) when its axes cannot be read.
bool fitsConforming(const FitsHeader& primary, LabelLayout& layout);
bool readFitsImage(const FitsHeader& header, const Sourced<int64_t>& dataStart, LabelLayout& layout);

}  // namespace skeldra
