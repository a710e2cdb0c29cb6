// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Raw sample values to gray levels 0..255: linear between a data minimum and
// maximum, bent by a power law, clamped outside the range. All arithmetic is
// extended precision, the type in which sample values travel.
//
// Failure: a negative gamma is refused (the power of a value at the minimum
// would be undefined); no other input fails.
#include <array>
#include <cstdint>
#include <vector>

#include "raster/NonDataTest.h"
#include "raster/SampleDecode.h"

namespace skeldra {

struct GrayMapping {
    long double DataMin = 0;
    long double InverseRange = 0;  // 1 / (max - min) for a positive range, else 0
    long double Gamma = 1;
};

// Raises an Error for a gamma below 0; returns the gamma otherwise.
long double checkedGamma(long double gamma);

GrayMapping MakeGrayMapping(long double minimum, long double maximum, long double gamma);

// The level of one value. A non-data value and a NaN are drawn like the
// minimum; +INF gives 255 for a positive range, -INF gives 0.
uint8_t GrayLevel(const GrayMapping& mapping, long double value, bool nonData);

// The same mapping with 65535 in place of 255, for 16-bit pictures that keep
// a stretch's precision: round-half-even(65535 * x^gamma), clamped. Non-data
// values are level 0 whatever the gamma; NaNs are drawn like the minimum.
uint16_t GrayLevel16(const GrayMapping& mapping, long double value, bool nonData);

// What GrayLevel rounds, for a value that is neither non-data nor a NaN:
// 255 * x^gamma, or -1 where the level is 0 and 256 where it is 255 without
// a power being taken. GrayLevel(v) is this rounded to nearest and clamped.
long double UnroundedLevel(const GrayMapping& mapping, long double value);

// The levels of every 8- or 16-bit sample, filled with GrayLevel itself and
// indexed by the sample's bytes as they lie in the file (loaded low byte
// first). Made again only when the sample format or the ignore flag changes.
class GrayTable {
public:
    GrayTable(const GrayMapping& mapping, const NonDataTest& test, int32_t bytesPerSample)
        : mapping_(mapping), test_(test), bytesPerSample_(bytesPerSample)
    {
    }

    static bool covers(SampleKind kind)
    {
        return kind == SampleKind::U8 || kind == SampleKind::U16 || kind == SampleKind::I16;
    }

    // The table for this format and ignore flag; `covers(format.kind)` must hold.
    const uint8_t* levels(SampleFormat format, bool ignoreNonData);

private:
    void fill(SampleFormat format, bool ignoreNonData);

    GrayMapping mapping_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    std::vector<uint8_t> levels_;
    SampleFormat format_{};
    bool ignore_ = false;
};

}  // namespace skeldra
