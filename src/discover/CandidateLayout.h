// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A complete layout as the window's boxes and buttons express it, and the
// sample encodings discovery tries.
#include <cstdint>
#include <string>
#include <vector>

#include "label/LabelLayout.h"
#include "port/FormState.h"

namespace skeldra {

// How one sample is stored: 1, 2, 4 or 8 bytes as the window reads them
// (1 byte is always unsigned, 8 bytes always a real).
struct Encoding {
    int32_t bytes = 1;
    DataFormat format = DataFormat::UnsignedInteger;
    bool msbFirst = false;

    bool operator==(const Encoding&) const = default;
};

struct CandidateLayout {
    int64_t headerBytes = 0;
    int64_t samplesPerLine = 0;
    int64_t lines = 0;
    Encoding encoding;
    int64_t bands = 1;
    BandStructure structure = BandStructure::None;
    int64_t linePad = 0;
    int64_t bandPad = 0;  // BIL only
    int64_t gap = 0;      // BSQ only
    // Samples and lines of one tile; both 0 for bands stored in lines.
    int64_t tileSamples = 0;
    int64_t tileLines = 0;

    bool operator==(const CandidateLayout&) const = default;
};

struct Candidate {
    CandidateLayout layout;
    double score = 0;  // 0..1
    std::string evidence;
};

// The sample's value as the window decodes it; NaN stays NaN.
double decodeValue(const uint8_t* bytes, const Encoding& encoding);

// "16-bit big-endian signed integer", "32-bit little-endian real".
std::string describeEncoding(const Encoding& encoding);

// The window's layout for a candidate: header, strides and structure. A
// single band with a line pad is one BSQ band, because "None" has no pad.
RasterLayout rasterLayout(const CandidateLayout& layout);

// Bytes from the header to the end of the last sample the layout reads.
int64_t layoutBytes(const CandidateLayout& layout);

// The batch tool's options that select the layout, one token each:
// --header-bytes 2048 --samples 517 --bits 16 --signed --msb --bil ...
std::vector<std::string> layoutOptions(const CandidateLayout& layout);

}  // namespace skeldra
