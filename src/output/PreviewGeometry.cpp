#include "output/PreviewGeometry.h"

#include <algorithm>
#include <cmath>

#include "base/Checked.h"

namespace skeldra {
namespace {

// side * maxDimension / other, rounded, and at least 1.
int32_t reducedSide(int32_t side, int32_t maxDimension, int32_t other)
{
    const long double exact = static_cast<long double>(mul32(side, maxDimension)) / other;
    return std::max<int32_t>(1, static_cast<int32_t>(std::nearbyint(exact)));
}

// In 64 bits: a column past the end sample lies beyond it by less than the width.
int64_t position(int32_t index, long double step, int32_t start)
{
    return static_cast<int64_t>(std::nearbyint(index * step + start));
}

}  // namespace

PreviewSize previewSize(int32_t areaWidth, int32_t areaHeight, int32_t maxDimension)
{
    PreviewSize size{areaWidth, areaHeight, 1};
    if (maxDimension < size.Width) {
        size.Height = reducedSide(size.Height, maxDimension, size.Width);
        size.Width = maxDimension;
    }
    if (maxDimension < size.Height) {
        size.Width = reducedSide(size.Width, maxDimension, size.Height);
        size.Height = maxDimension;
    }
    size.SampleStep = std::min(static_cast<long double>(areaHeight) / size.Height,
                               static_cast<long double>(areaWidth) / size.Width);
    return size;
}

std::vector<int32_t> previewLines(const AreaOfInterest& area, const PreviewSize& size)
{
    std::vector<int32_t> lines(static_cast<size_t>(size.Height));
    for (int32_t r = 0; r < size.Height; ++r) lines[static_cast<size_t>(r)] = static_cast<int32_t>(position(r, size.SampleStep, area.StartLine));
    return lines;
}

std::vector<int32_t> previewSamples(const AreaOfInterest& area, const PreviewSize& size)
{
    std::vector<int32_t> samples(static_cast<size_t>(size.Width));
    const int32_t width = area.Width();
    for (int32_t c = 0; c < size.Width; ++c) {
        int64_t s = position(c, size.SampleStep, area.Origin());
        if (s > area.EndSample) s -= width;
        samples[static_cast<size_t>(c)] = static_cast<int32_t>(s);
    }
    return samples;
}

}  // namespace skeldra
