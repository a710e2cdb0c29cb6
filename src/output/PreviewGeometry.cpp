// SPDX-License-Identifier: BSD-3-Clause
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

AreaOfInterest shownArea(const PreviewSource& source)
{
    AreaOfInterest area;
    area.StartLine = source.StartLine;
    area.EndLine = source.EndLine;
    area.StartSample = source.StartSample;
    area.EndSample = source.EndSample;
    area.OriginSample = source.OriginSample;
    area.Band = source.Band;
    return area;
}

namespace {

int32_t clampTo(int64_t value, int64_t low, int64_t high)
{
    return static_cast<int32_t>(std::clamp(value, low, high));
}

// A row position counted from the origin, past the end sample for the part
// after the seam, back to the sample it names.
int32_t unrotated(const AreaOfInterest& area, int64_t s)
{
    return static_cast<int32_t>(s > area.EndSample ? s - area.Width() : s);
}

}  // namespace

PointPosition pixelPosition(const PreviewSource& source, int32_t column, int32_t row)
{
    const AreaOfInterest area = shownArea(source);
    const int64_t lastInRow = int64_t{area.Origin()} + area.Width() - 1;
    const int64_t line = position(row, source.SampleStep, area.StartLine);
    const int64_t s = position(column, source.SampleStep, area.Origin());
    return {clampTo(line, area.StartLine, area.EndLine), unrotated(area, std::clamp<int64_t>(s, area.Origin(), lastInRow))};
}

AreaBounds areaUnderRectangle(const PreviewSource& source, int32_t column0, int32_t row0, int32_t column1,
                              int32_t row1)
{
    const AreaOfInterest area = shownArea(source);
    const long double step = source.SampleStep;
    // Pixel k stands for the positions from its own up to the next pixel's.
    const auto span = [step](int32_t a, int32_t b, int32_t start, int64_t low, int64_t high) {
        const int32_t first = std::min(a, b);
        const int32_t last = std::max(a, b);
        return std::pair{std::clamp<int64_t>(position(first, step, start), low, high),
                         std::clamp<int64_t>(position(last + 1, step, start) - 1, low, high)};
    };
    const auto [firstLine, lastLine] = span(row0, row1, area.StartLine, area.StartLine, area.EndLine);
    const int64_t lastInRow = int64_t{area.Origin()} + area.Width() - 1;
    const auto [first, last] = span(column0, column1, area.Origin(), area.Origin(), lastInRow);

    AreaBounds bounds{static_cast<int32_t>(firstLine), static_cast<int32_t>(lastLine), area.StartSample,
                      area.EndSample};
    const bool acrossSeam = first <= area.EndSample && last > area.EndSample;
    if (!acrossSeam) {
        bounds.StartSample = unrotated(area, first);
        bounds.EndSample = unrotated(area, last);
    }
    return bounds;
}

}  // namespace skeldra
