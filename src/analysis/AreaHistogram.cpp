// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/AreaHistogram.h"

#include <algorithm>
#include <cmath>

namespace skeldra {
namespace {

constexpr int64_t codeOffset = 32768;  // the smallest 16-bit signed code
constexpr size_t codeCount = 65536 + 32768;

bool countedByCode(SampleKind kind)
{
    return kind == SampleKind::U8 || kind == SampleKind::U16 || kind == SampleKind::I16;
}

}  // namespace

std::array<double, histogramBins + 1> histogramEdges(double low, double high)
{
    if (low == high) {
        low -= 0.5;
        high += 0.5;
    }
    // As np.linspace: i * step, then + low, each rounded; the last edge is high.
    const double step = (high - low) / histogramBins;
    std::array<double, histogramBins + 1> edges{};
    for (int i = 0; i < histogramBins; ++i) {
        volatile double scaled = static_cast<double>(i) * step;  // no fused multiply-add
        edges[i] = scaled + low;
    }
    edges[histogramBins] = high;
    return edges;
}

int histogramBin(const std::array<double, histogramBins + 1>& edges, double value)
{
    // The bin whose left edge is the last at or below the value; the last
    // bin holds its right edge too.
    const auto after = std::upper_bound(edges.begin(), edges.end(), value);
    const int bin = static_cast<int>(after - edges.begin()) - 1;
    return std::clamp(bin, 0, histogramBins - 1);
}

void HistogramCounter::addValue(long double value, SampleKind kind)
{
    const double v = static_cast<double>(value);
    if (counting_) return countValue(value);
    if (std::isinf(v)) {
        ++(v > 0 ? plusInfinity_ : minusInfinity_);
        return;
    }
    takeFinite(value, kind);
}

void HistogramCounter::takeFinite(long double value, SampleKind kind)
{
    const double v = static_cast<double>(value);
    if (!any_ || v < low_) low_ = v;
    if (!any_ || v > high_) high_ = v;
    any_ = true;
    if (countedByCode(kind)) {
        if (codes_.empty()) codes_.assign(codeCount, 0);
        ++codes_[static_cast<size_t>(static_cast<int64_t>(value) + codeOffset)];
    } else if (!overflowed_) {
        if (kept_.size() < keptValues) {
            kept_.push_back(v);
        } else {
            overflowed_ = true;
            kept_ = {};
        }
    }
}

void HistogramCounter::startCountingPass()
{
    counting_ = true;
    counted_ = Histogram{};
    counted_.edges = histogramEdges(low_, high_);
}

void HistogramCounter::countValue(long double value)
{
    const double v = static_cast<double>(value);
    if (std::isinf(v)) return;
    ++counted_.counts[static_cast<size_t>(histogramBin(counted_.edges, v))];
}

std::optional<Histogram> HistogramCounter::result() const
{
    if (!any_) return std::nullopt;
    Histogram histogram = counting_ ? counted_ : Histogram{};
    histogram.edges = histogramEdges(low_, high_);
    histogram.plusInfinity = plusInfinity_;
    histogram.minusInfinity = minusInfinity_;
    if (!counting_) {
        for (size_t code = 0; code < codes_.size(); ++code)
            if (codes_[code] > 0)
                histogram.counts[static_cast<size_t>(histogramBin(
                    histogram.edges, static_cast<double>(static_cast<int64_t>(code) - codeOffset)))] += codes_[code];
        for (double v : kept_) ++histogram.counts[static_cast<size_t>(histogramBin(histogram.edges, v))];
    }
    for (int64_t count : histogram.counts) histogram.dataPoints += count;
    return histogram;
}

}  // namespace skeldra
