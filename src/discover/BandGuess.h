// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How many bands a line holds and how they are stored: neighbouring pixels
// of one band resemble each other more than neighbouring bands do (BIP);
// bands of one scene resemble each other where they show the same pixel, so
// a sample is closer to the one a band's line further on than to those
// beside it (BIL), and a line to the one a band's lines further on (BSQ).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "discover/LineShape.h"
#include "port/FormState.h"

namespace skeldra {

struct BandGuess {
    int64_t bands = 1;
    BandStructure structure = BandStructure::None;
    double margin = 0;     // how far the evidence stands out; above 0 when it does, 0 for one band
    std::string evidence;  // empty for one band
};

// The codes of `length` bytes at a file position.
using CodeReader = std::function<SampleCodes(int64_t position, int64_t length)>;

// Every band layout the lines allow, the best supported first (one band
// when nothing stands out). `records` is the number of records after the
// header.
std::vector<BandGuess> guessBands(const SampleCodes& window, const LineShape& shape, int32_t width,
                                  int64_t headerBytes, int64_t records, const CodeReader& readCodes);

}  // namespace skeldra
