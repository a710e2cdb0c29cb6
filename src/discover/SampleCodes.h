// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The samples of a window of the file as small integers: every byte offset
// decoded with one encoding and mapped onto -30000..30000 by the range of
// the values, so that the searches compare rows in integer arithmetic,
// whatever the sample type. Offsets that do not start a sample decode to
// garbage, which is what lets the searches tell the sample boundaries.
#include <cstdint>
#include <span>
#include <vector>

#include "discover/CandidateLayout.h"

namespace skeldra {

struct ValueRange {
    double low = 0;
    double high = 1;

    bool operator==(const ValueRange&) const = default;
};

inline constexpr int16_t notANumberCode = 32767;
// Values beyond the range read as the nearest of ±codeLimit.
inline constexpr int16_t codeLimit = 32000;

// A code that tells nothing of the value: beyond the range, or not a number.
static_assert(notANumberCode >= codeLimit);
inline bool clamped(int16_t code)
{
    return code <= -codeLimit || code >= codeLimit;
}

struct SampleCodes {
    std::vector<int16_t> code;  // code[j]: the sample whose first byte is j
    int64_t offset = 0;         // file position of byte 0
};

// Every `step`th offset from the first is decoded, the others left 0:
// a reader of samples at known places needs no more.
SampleCodes sampleCodes(std::span<const uint8_t> bytes, int64_t offset, const Encoding& encoding,
                        const ValueRange& range, size_t step = 1);

// Differences of codes, as the searches add them up.
inline int32_t codeDistance(int16_t a, int16_t b)
{
    const int32_t d = int32_t{a} - int32_t{b};
    return d < 0 ? -d : d;
}

// The value at `share` (0..1) of the sorted values; the values are reordered.
double quantile(std::vector<double>& values, double share);

}  // namespace skeldra
