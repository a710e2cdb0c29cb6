// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The record length: the bytes from one image line to the next. A line of
// an image resembles the next one more than anything else at a similar
// distance, so the lag at which the bytes differ least from the bytes
// further on is the record length. Bytes rather than decoded samples: the
// encoding is not known yet, and at the right lag every byte of a sample
// meets the same byte of the sample below it, whatever the encoding.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "discover/SampleCodes.h"

namespace skeldra {

struct LagFit {
    int64_t lag = 0;
    double depth = 0;  // 1 - difference at the lag / typical difference; 0..1
    double contrast = 0;  // the same against lags that keep samples aligned; at most 1
    // Lags a few samples either way that repeat nearly as well: in a smooth
    // or enlarged picture a diagonal resembles the line below about as much.
    std::vector<int64_t> alike;
};

// Returns false to stop the search.
using KeepGoing = std::function<bool()>;

// The bytes with those that change like noise from sample to sample turned
// down: the low bytes of 16- and 32-bit samples and of reals differ as much
// between lines as anywhere, and would drown the bytes that tell lines
// apart. A byte's noise is its mean step from the same byte of the samples
// before it.
std::vector<float> quietBytes(std::span<const uint8_t> bytes, int32_t sampleBytes);

// Sum of squared differences between the signal's first values and the
// values `lag` further on, for every lag from 0 to maxLag, with as many
// values compared at every lag. One correlation by FFT, so the cost does
// not depend on maxLag.
std::vector<double> laggedDifferences(std::span<const float> signal, int64_t maxLag);

// Lags between minLag and maxLag, best first, at most `count`, and the
// fractions of each that are nearly as good (a multiple of the record
// length can be as deep where lines differ mostly by noise), and of those
// fractions that are as deep as their lag. A lag counts
// when no lag within 64 bytes of it (below minLag too) is better: lags of
// neighbouring pixels decline towards the smallest lag, they do not dip.
std::vector<LagFit> recordLengths(std::span<const uint8_t> bytes, int32_t sampleBytes, int64_t minLag,
                                  int64_t maxLag, size_t count, const KeepGoing& keepGoing);

// The least mean change between the decoded samples and those a record on,
// the record this long or a few whole samples longer or shorter: the bytes'
// repetition may have found a diagonal, which in pixels of several bands
// compares two bands. 1e300 where no pair could be compared.
double steadiestChange(const SampleCodes& codes, int64_t record, int32_t width);

// The mean change between the decoded samples and those a record on, at
// this record length alone; 1e300 where no pair could be compared.
double changeAtRecord(const SampleCodes& codes, int64_t record, int32_t width);

// The lag, or one whole samples either way, at which the decoded samples
// differ least from those a record further on, and the lags at which they
// differ nearly as little (`alike`, replaced). The bytes' repetition
// cannot tell a line from a diagonal of a smooth picture when the low bytes
// are noise; the values can, as the line below is the nearest. The lag
// moves only where another is clearly closer, and not below `minLag`.
LagFit steadiestNeighbour(const SampleCodes& codes, const LagFit& lag, int32_t width, int64_t minLag);

// How much a record length is believed against the others: lines a lag
// apart that differ more than at the best lag make it less likely, and a
// lag that has a fraction nearly as good is more likely a multiple of the
// record length than the record length itself (lines further apart differ
// more), unless its samples are clearly closer to those a record on than
// to those the fraction on: a record of bands by line whose bands look
// alike repeats nearly as well at one band's line.
double lagWeight(const std::vector<LagFit>& lags, size_t index, const std::function<double(int64_t)>& changeAt,
                 int32_t width);

}  // namespace skeldra
