// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Which encoding the samples have, from a window of image data: the width
// from the distance at which bytes resemble each other (each byte of a
// sample meets its own kind in the next sample), then the byte order, signedness and type from how smooth
// neighbouring values are under each reading and how plausible reals are.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "discover/SampleCodes.h"

namespace skeldra {

// 1, 2, 4 or 8: the smallest distance at which bytes resemble each other
// about as well as at any of these distances.
int32_t sampleWidth(std::span<const uint8_t> bytes);

struct EncodingFit {
    Encoding encoding;
    int32_t alignment = 0;  // offset of the first whole sample in the window
    double roughness = 0;   // neighbour differences in ranks, with penalties
    ValueRange range;       // the values' range for codes: 5th to 95th percentile widened by their distance
    double ordinaryRealShare = 0;  // share of values that are ordinary as reals
    double levelSkew = 0;   // log of how much more neighbours differ in the greater half of the values
    double negativeShare = 0;  // share of the values below zero
};

// The encodings of this width at each alignment within records of `record`
// bytes (the window's first byte starting a record), smoothest reading first.
std::vector<EncodingFit> rankEncodings(std::span<const uint8_t> bytes, int32_t width, int64_t record);

// The encodings of this width before the record length is known, each read
// over short runs at the alignment that suits it best within each run.
std::vector<EncodingFit> rankEncodingsInRuns(std::span<const uint8_t> bytes, int32_t width);

// A run of `count` samples from sample `from` (0-based) of a line.
struct SampleRun {
    int64_t from = 0;
    int64_t count = 0;
};

// The whole line when it holds at most `runs` × `runSamples` samples, else
// `runs` runs of `runSamples` spread evenly across it, first to last sample.
std::vector<SampleRun> runsAcross(int64_t samples, int64_t runs, int64_t runSamples);

// Runs of neighbouring samples over lines of `samples` samples that start
// at byte `first` and every `record` bytes after, as far as `size` bytes
// reach: about `maxLines` lines spread over them, a wide line as 8 runs
// spread across it, so that every part of the picture takes part (a value
// range from the first samples of each line can miss half of the picture).
std::vector<std::vector<int64_t>> runsOverLines(size_t size, int64_t first, int64_t record, int64_t samples,
                                                int32_t width, int64_t maxLines = 64);

// The same ranking over the samples of known lines: each line holds the
// offsets of samples that follow one another.
std::vector<EncodingFit> rankEncodingsAt(std::span<const uint8_t> bytes, int32_t width,
                                         const std::vector<std::vector<int64_t>>& lines);

// The mean change between neighbours where the upper byte moves by one,
// in units of that byte, the bytes taken as one unsigned number in the
// reading's order. Read with the bytes paired right, the byte below wraps
// at the same sample and the change is small; paired with a neighbour's
// lower bytes, it wraps a sample early or late and the change is near one
// unit. Neighbours are taken 1 to 4 samples apart, the least of them
// counts; -1 when none of those shows 16 carries.
double carryStep(std::span<const uint8_t> bytes, const Encoding& encoding,
                 const std::vector<std::vector<int64_t>>& lines);

// How rough one reading of known lines is, as the ranking weighs it.
double readingRoughness(std::span<const uint8_t> bytes, const Encoding& encoding,
                        const std::vector<std::vector<int64_t>>& lines);

// Where a value lies among the values of a reading, 0 (least) to 1
// (greatest), the empirical distribution drawn through a few thousand of
// them. Smoothness in ranks holds under any order-keeping reading, so that a
// reading that squeezes part of the values together (integers read from
// reals, or reals from integers) gains nothing by it, while one that tears
// neighbours apart (signed values read unsigned, negative reals read as
// integers) shows it at every tear.
class ValueRanks {
public:
    explicit ValueRanks(const std::vector<double>& values);
    double operator()(double value) const;
    // The value of this rank among the points drawn.
    double quantile(double share) const;
    // The narrowest interval that holds half of the points drawn.
    std::pair<double, double> densestHalf() const;
    // The rank of each value; NaN stays NaN.
    std::vector<double> of(std::span<const double> values) const;

private:
    static constexpr size_t maxPoints = 2048, gridCells = 4096;
    std::vector<double> points_;
    std::vector<uint32_t> cells_;
    std::vector<double> inverseGap_;  // 1 / (next point - this point), 0 between equal points
    double low_ = 0, scale_ = 0, step_ = 0;
};

// Mean of |a[i] - b[i]|, NaN left out; 1 when no pair is left.
double meanDistance(std::span<const double> a, std::span<const double> b);

// The same between neighbours of a line (NaN breaks the line).
double neighbourDistance(std::span<const double> line);

// The same between samples 1 to 4 apart, the least: the neighbours of a
// band interleaved by pixel are the samples of the same band further on.
double interleavedNeighbourDistance(std::span<const double> line);

// The mean of the smallest share of the costs (10 when there are none):
// lines of a header or of other data say nothing of a reading.
double meanOfSmoothest(std::vector<double> costs, double share = 0.75);

// A value nobody stores under this encoding: a real that is not finite,
// subnormal, or beyond 1e30 (integers are always plausible).
bool implausibleValue(double value, const Encoding& encoding);

}  // namespace skeldra
