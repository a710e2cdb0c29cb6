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

struct LinePair {
    std::vector<double> vertical, horizontal;
};

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
        std::vector<LinePair> pairs;
        std::vector<double> values;
        int64_t bad = 0, total = 0;
        const int64_t lines = layout.lines;
        for (int64_t band = 1; band <= std::min(reader.bands(), maxBands); ++band) {
            for (int64_t k = 0; k < pairsPerBand && lines >= 2; ++k) {
                const int64_t first = 1 + (lines - 2) * k / std::max<int64_t>(1, pairsPerBand - 1);
                const std::vector<double> a = reader.line(first, band), b = reader.line(first + 1, band);
                LinePair pair;
                for (size_t s = 0; s < a.size(); ++s) {
                    ++total;
                    if (std::isnan(a[s]) || std::isnan(b[s])) {
                        ++bad;
                        continue;
                    }
                    values.push_back(a[s]);
                    pair.vertical.push_back(std::abs(a[s] - b[s]));
                    if (s + 1 < a.size() && !std::isnan(a[s + 1])) pair.horizontal.push_back(std::abs(a[s + 1] - a[s]));
                }
                pairs.push_back(std::move(pair));
            }
        }
        if (values.empty()) return 10;
        const double badShare = static_cast<double>(bad) / static_cast<double>(total);
        const double spread = quantile(values, 0.95) - quantile(values, 0.05);
        if (!(spread > 0)) return 1 + 20 * badShare;
        std::vector<double> vertical, horizontal;
        for (const LinePair& pair : pairs) {
            vertical.push_back(clippedMeanChange(pair.vertical, spread));
            horizontal.push_back(clippedMeanChange(pair.horizontal, spread));
        }
        return (2 * meanOfSmoothest(vertical) + meanOfSmoothest(horizontal)) / 3 + 20 * badShare;
    } catch (const Error&) {
        return 10;
    }
}

}  // namespace skeldra
