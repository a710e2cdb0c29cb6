// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What the area statistics found, as the histogram picture shows it: the
// counts of 256 bins between the smallest and largest finite data value,
// the points in no bin, and the values marked on the axis.
#include <array>
#include <cstdint>
#include <optional>

namespace skeldra {

inline constexpr int histogramBins = 256;

struct Histogram {
    std::array<double, histogramBins + 1> edges{};
    std::array<int64_t, histogramBins> counts{};
    int64_t dataPoints = 0;     // finite data values, all in the bins
    int64_t plusInfinity = 0;   // infinite data values, in no bin
    int64_t minusInfinity = 0;
};

struct HistogramReport {
    Histogram histogram;
    int64_t nonDataPoints = 0;
    int64_t notANumberPoints = 0;
    // "Min data" and "Max data" as the statistics left them.
    long double minData = 0;
    long double maxData = 0;
    // The "Clip %" percentiles, when a clip was asked for and found.
    std::optional<long double> clipPercent;
    long double clipLow = 0;
    long double clipHigh = 0;
};

}  // namespace skeldra
