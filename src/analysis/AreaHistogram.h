// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The histogram of an area's data values: 256 bins between the smallest and
// the largest finite data value, with numpy.histogram's edges for that range
// (np.linspace(min, max, 257) in doubles, each bin closed on the left, the
// last on both sides) and its bin of each value, so that the counts equal
// numpy's of the same values as doubles. Non-data points and NaNs are not
// data; infinities are counted apart.
//
// Counting needs the range, which is known only after the scan. 8- and
// 16-bit samples are counted by code and binned at the end. Wider samples
// are kept as doubles while they number at most `keptValues`; beyond that
// the scan counts them in one more pass, once the range is known.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "port/HistogramReport.h"
#include "raster/SampleDecode.h"

namespace skeldra {

// numpy's edges of 256 bins from low to high (low == high widens to +-0.5).
std::array<double, histogramBins + 1> histogramEdges(double low, double high);

// The bin of a value within the edges' range, as numpy gives it.
int histogramBin(const std::array<double, histogramBins + 1>& edges, double value);

class HistogramCounter {
public:
    static constexpr size_t keptValues = size_t{1} << 22;

    // One data value (not non-data, not NaN) of the given sample kind.
    void addValue(long double value, SampleKind kind);

    // Whether one more pass must hand every data value again (to addValue).
    bool needsCountingPass() const { return overflowed_ && !counting_; }
    void startCountingPass();

    // After the scan: the bins, or empty without a finite data value.
    std::optional<Histogram> result() const;

private:
    void takeFinite(long double value, SampleKind kind);
    void countValue(long double value);

    std::vector<int64_t> codes_;  // 8- and 16-bit samples: count of each code + 32768
    std::vector<double> kept_;
    bool overflowed_ = false;
    bool counting_ = false;
    bool any_ = false;
    double low_ = 0;
    double high_ = 0;
    int64_t plusInfinity_ = 0;
    int64_t minusInfinity_ = 0;
    Histogram counted_;  // the counting pass
};

}  // namespace skeldra
