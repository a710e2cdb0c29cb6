// SPDX-License-Identifier: BSD-3-Clause
#include "discover/LayoutRoughness.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

#include "base/Errors.h"
#include "discover/SampleEncoding.h"
#include "raster/Strides.h"

namespace skeldra {

namespace {

constexpr int64_t runs = 8, runSamples = 128;
constexpr int64_t pairsPerBand = 12;
constexpr int64_t maxBands = 3;

class LayoutReader {
public:
    LayoutReader(FileSample& file, const CandidateLayout& layout)
        : file_(file), layout_(layout), raster_(rasterLayout(layout)), stride_(sampleStride(raster_))
    {
    }

    // Runs of samples spread across a line, NaN between them (and where the
    // file ends or a real is implausible): a picture's margins can be flat
    // over the first thousand samples of every line, however wrong the
    // layout.
    std::vector<double> line(int64_t line, int64_t band)
    {
        std::vector<double> values;
        for (const SampleRun& run : runsAcross(layout_.samplesPerLine, runs, runSamples)) {
            if (!values.empty()) values.push_back(std::nan(""));
            appendRun(values, line, band, run.from, run.count);
        }
        return values;
    }

    int64_t bands() const { return raster_.NumBands; }
    // Share of the samples read that lie beyond the file or are implausible.
    double badShare() const { return read_ > 0 ? static_cast<double>(bad_) / static_cast<double>(read_) : 0; }

private:
    void appendRun(std::vector<double>& values, int64_t line, int64_t band, int64_t from, int64_t count)
    {
        const int64_t position = samplePosition(raster_, static_cast<int32_t>(line), static_cast<int32_t>(band),
                                                static_cast<int32_t>(from + 1));
        const int32_t width = layout_.encoding.bytes;
        const std::vector<uint8_t> bytes = file_.read(position, (count - 1) * stride_ + width);
        for (int64_t s = 0; s < count; ++s) {
            const auto at = static_cast<size_t>(s * stride_);
            double value = std::nan("");
            if (at + static_cast<size_t>(width) <= bytes.size()) {
                value = decodeValue(bytes.data() + at, layout_.encoding);
                if (implausibleValue(value, layout_.encoding)) value = std::nan("");
            }
            ++read_;
            if (std::isnan(value)) ++bad_;
            values.push_back(value);
        }
    }

    FileSample& file_;
    const CandidateLayout& layout_;
    RasterLayout raster_;
    int64_t stride_;
    int64_t read_ = 0, bad_ = 0;
};

}  // namespace

double layoutRoughness(FileSample& file, const CandidateLayout& layout)
{
    try {
        LayoutReader reader(file, layout);
        std::vector<std::pair<std::vector<double>, std::vector<double>>> pairs;
        std::vector<double> values;
        const int64_t lines = layout.lines;
        for (int64_t band = 1; band <= std::min(reader.bands(), maxBands); ++band) {
            for (int64_t k = 0; k < pairsPerBand && lines >= 2; ++k) {
                const int64_t first = 1 + (lines - 2) * k / std::max<int64_t>(1, pairsPerBand - 1);
                auto pair = std::make_pair(reader.line(first, band), reader.line(first + 1, band));
                for (const std::vector<double>* line : {&pair.first, &pair.second})
                    std::copy_if(line->begin(), line->end(), std::back_inserter(values),
                                 [](double value) { return !std::isnan(value); });
                pairs.push_back(std::move(pair));
            }
        }
        if (values.empty()) return 10;
        // In ranks, so that a reading whose few wild values stretch the
        // range does not look smooth for it.
        const ValueRanks ranks(values);
        std::vector<double> vertical, horizontal;
        for (auto& [a, b] : pairs) {
            const std::vector<double> above = ranks.of(a), below = ranks.of(b);
            vertical.push_back(meanDistance(above, below));
            horizontal.push_back(neighbourDistance(above));
        }
        return (2 * meanOfSmoothest(vertical) + meanOfSmoothest(horizontal)) / 3 + 20 * reader.badShare();
    } catch (const Error&) {
        return 10;
    }
}

}  // namespace skeldra
