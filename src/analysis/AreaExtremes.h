// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The running result of an area scan: the smallest and the largest data
// value with the first position of each in line-then-sample order, and the
// counts of non-data and not-a-number points.
//
// Points are added one at a time or as a run of raw samples of one line;
// both give the same result, so that a scan may read runs between event
// pumps and still report what reading sample by sample would report.
#include <cstdint>

#include "raster/NonDataTest.h"
#include "raster/SampleDecode.h"
#include "raster/SampleReader.h"

namespace skeldra {

struct Position {
    int32_t line = 0;
    int32_t sample = 0;
};

class AreaExtremes {
public:
    // The values reported when no data point was found.
    static constexpr long double noMinimum = 1.1E+4932L;
    static constexpr long double noMaximum = -1.1E+4932L;

    long double minimum = noMinimum;
    long double maximum = noMaximum;
    Position minimumAt;
    Position maximumAt;
    int32_t nonDataCount = 0;  // overflow is an error, as for any count
    int64_t notANumberCount = 0;
    int64_t dataCount = 0;

    int64_t pointsRead() const { return dataCount + nonDataCount + notANumberCount; }

    // One point whose non-data test has been made. A NaN is left out of the
    // extremes; infinities are data like any other value.
    void addPoint(long double value, bool nonData, Position at);

    // A run of raw samples of one line starting at `first`, with the controls
    // as they stand for the whole run.
    void addRun(const RawRun& run, SampleFormat format, const NonDataTest& test,
                int32_t bytesPerSample, bool ignoreNonDataValue, Position first);

    // A run's extremes found by the caller, each at its first position in the
    // run (needed only when it changes the extreme), and its data points.
    void mergeExtremes(long double runMinimum, Position minimumAt, long double runMaximum, Position maximumAt,
                       int64_t dataPoints);
    bool wouldTakeMinimum(long double value) const { return dataCount == 0 || value < minimum; }
    bool wouldTakeMaximum(long double value) const { return dataCount == 0 || value > maximum; }

    // Takes a data value found at `at` into the extremes. The first data
    // point sets both; later ones must be strictly smaller or larger, so that
    // the first occurrence of an extreme is the one reported.
    void takeData(long double value, Position at);
};

}  // namespace skeldra
