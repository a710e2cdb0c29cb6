// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Nearest-rank percentiles of the data values of an area, for a stretch that
// leaves out a few extreme points. The low value at p % is the smallest data
// value at or below which at least p % of the data points lie; the high value
// is the largest at or above which at least p % lie. No interpolation: both
// are values that occur in the data.
//
// Exact for every sample type: the values are counted by their ordered keys,
// 16 bits of key per pass over the area (one pass for 8- and 16-bit samples,
// two for 4-byte samples, four for 8-byte reals), each pass narrowing down
// the keys that hold the two ranks. Non-data points and NaNs are not data.
//
// Failure: a clip percentage outside 0..50 is refused with an Error.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/AreaExtremes.h"
#include "raster/SampleDecode.h"
#include "raster/SampleReader.h"

namespace skeldra {

// Raises an Error unless 0 <= percent <= 50; returns the percentage.
long double checkedClipPercent(long double percent);

// The percentage as the log prints it: the shortest text that reads back
// as the same double ("1", "0.5").
std::string clipPercentText(long double percent);

// The 1-based rank from the bottom of the low value among `count` data
// points: ceil(count * percent / 100), at least 1. The high value has the
// same rank counted from the top.
int64_t lowPercentileRank(int64_t count, long double percent);

struct PercentileValues {
    long double low = 0;
    long double high = 0;
    int64_t dataPoints = 0;
};

// Percentiles of values held in memory (NaNs left out); empty without data.
std::optional<PercentileValues> percentilesOf(std::vector<long double> values, long double percent);

// The counting of the area's keys, one pass at a time. A scan hands every
// point of the pass to addRun or addValue, then calls endPass(); while
// endPass() returns true, another pass over the same points is needed.
class PercentileSearch {
public:
    explicit PercentileSearch(long double percent) : percent_(percent) {}

    // A run of raw samples; `nonDataForm` is the form the samples compare
    // with when the ignore box is ticked, empty when it is not.
    void addRun(const RawRun& run, SampleFormat format, std::optional<long double> nonDataForm);
    // The first pass over 8- and 16-bit samples: counts the run and finds its
    // extremes in the same loop, which then need no scan of their own.
    // False, doing nothing, for other samples and passes.
    bool addRunWithExtremes(const RawRun& run, SampleFormat format, std::optional<long double> nonDataForm,
                            AreaExtremes& extremes, Position first);

    // One data point read on its own (non-data points and NaNs are not passed).
    void addValue(long double value, SampleKind kind);

    // Closes the pass; true when another pass is needed.
    bool endPass();

    // After the last pass: the two values, or empty without data point, or
    // when the sample type changed between runs (the keys would not compare).
    std::optional<PercentileValues> result() const;

private:
    struct Target {
        int64_t rank = 0;       // 1-based, among the keys with this prefix
        uint64_t prefix = 0;    // the key bits found so far
    };

    bool startKind(SampleKind kind);
    int keyBits() const;
    int digitBits() const;
    int shift() const { return keyBits() - passBits_ - digitBits(); }
    template <typename T, bool Swap, bool TestNonData>
    void countRun(const RawRun& run, T nonData);
    template <typename T>
    void countRunOf(const RawRun& run, bool swap, std::optional<long double> nonDataForm);
    template <typename T, bool Swap, bool TestNonData>
    void countRunWithExtremes(const RawRun& run, T nonData, AreaExtremes& extremes, Position first);
    void countKey(uint64_t key);
    void foldNarrowCounts();
    void locate(Target& target, const std::vector<int64_t>& counts) const;

    long double percent_;
    SampleKind kind_ = SampleKind::None;
    bool mixedKinds_ = false;
    int passBits_ = 0;  // key bits fixed by the passes done
    std::vector<int64_t> lowCounts_;
    std::vector<int64_t> highCounts_;
    std::vector<uint32_t> narrowCounts_;  // the first pass over 8- and 16-bit samples
    int64_t narrowPending_ = 0;           // points in narrowCounts_
    Target low_;
    Target high_;
    int64_t dataPoints_ = 0;
    bool done_ = false;
};

}  // namespace skeldra
