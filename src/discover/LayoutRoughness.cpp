#include "discover/LayoutRoughness.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "base/Errors.h"
#include "discover/SampleEncoding.h"
#include "raster/Strides.h"

namespace skeldra {

namespace {

constexpr int64_t maxSamples = 1024;
constexpr int64_t pairsPerBand = 12;
constexpr int64_t maxBands = 3;

class LayoutReader {
public:
    LayoutReader(FileSample& file, const CandidateLayout& layout)
        : file_(file), layout_(layout), raster_(rasterLayout(layout)),
          samples_(std::min(layout.samplesPerLine, maxSamples)), stride_(sampleStride(raster_))
    {
    }

    // The first samples of a line; NaN where the file ends or a real is
    // implausible.
    std::vector<double> line(int64_t line, int64_t band)
    {
        const int64_t position =
            samplePosition(raster_, static_cast<int32_t>(line), static_cast<int32_t>(band), 1);
        const int32_t width = layout_.encoding.bytes;
        const std::vector<uint8_t> bytes = file_.read(position, (samples_ - 1) * stride_ + width);
        std::vector<double> values(static_cast<size_t>(samples_), std::nan(""));
        for (int64_t s = 0; s < samples_; ++s) {
            const auto at = static_cast<size_t>(s * stride_);
            if (at + static_cast<size_t>(width) > bytes.size()) break;
            const double value = decodeValue(bytes.data() + at, layout_.encoding);
            if (!implausibleValue(value, layout_.encoding)) values[static_cast<size_t>(s)] = value;
        }
        return values;
    }

    int64_t bands() const { return raster_.NumBands; }

private:
    FileSample& file_;
    const CandidateLayout& layout_;
    RasterLayout raster_;
    int64_t samples_;
    int64_t stride_;
};

}  // namespace

double layoutRoughness(FileSample& file, const CandidateLayout& layout)
{
    try {
        LayoutReader reader(file, layout);
        std::vector<std::pair<std::vector<double>, std::vector<double>>> pairs;
        std::vector<double> values;
        int64_t bad = 0, total = 0;
        const int64_t lines = layout.lines;
        for (int64_t band = 1; band <= std::min(reader.bands(), maxBands); ++band) {
            for (int64_t k = 0; k < pairsPerBand && lines >= 2; ++k) {
                const int64_t first = 1 + (lines - 2) * k / std::max<int64_t>(1, pairsPerBand - 1);
                auto pair = std::make_pair(reader.line(first, band), reader.line(first + 1, band));
                for (const std::vector<double>* line : {&pair.first, &pair.second})
                    for (double value : *line) {
                        ++total;
                        if (std::isnan(value)) ++bad;
                        else values.push_back(value);
                    }
                pairs.push_back(std::move(pair));
            }
        }
        if (values.empty()) return 10;
        const double badShare = static_cast<double>(bad) / static_cast<double>(total);
        // In ranks, so that a reading whose few wild values stretch the
        // range does not look smooth for it.
        const ValueRanks ranks(values);
        std::vector<double> vertical, horizontal;
        for (auto& [a, b] : pairs) {
            const std::vector<double> above = ranks.of(a), below = ranks.of(b);
            vertical.push_back(meanDistance(above, below));
            horizontal.push_back(neighbourDistance(above));
        }
        return (2 * meanOfSmoothest(vertical) + meanOfSmoothest(horizontal)) / 3 + 20 * badShare;
    } catch (const Error&) {
        return 10;
    }
}

}  // namespace skeldra
