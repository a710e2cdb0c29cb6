// SPDX-License-Identifier: BSD-3-Clause
#include "output/RowBlocks.h"

#include <algorithm>

#include "base/Checked.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

constexpr int64_t bufferBytes = static_cast<int64_t>(ByteSource::bufferBytes);

}  // namespace

RowBlocks::RowBlocks(SampleReader& reader, const AreaOfInterest& area, Direction direction, int64_t maxRows)
    : RowBlocks(reader, area, area.Band, direction, maxRows)
{
}

RowBlocks::RowBlocks(SampleReader& reader, const AreaOfInterest& area, int32_t lastBand, Direction direction,
                     int64_t maxRows)
    : reader_(reader), area_(area), direction_(direction), lastBand_(lastBand)
{
    const RasterLayout& layout = reader.layout();
    if (isTiled(layout)) {
        // A row crosses tiles: the reader holds blocks of rows of tiles.
        reader.expectRows(area.Band, area.StartSample, area.EndSample, maxRows);
        return;
    }
    try {
        const int64_t first = samplePosition(layout, area.StartLine, area.Band, area.StartSample);
        const int64_t end = samplePosition(layout, area.StartLine, lastBand_, area.EndSample) + layout.BytesPerSample;
        const int64_t lineStride = samplePosition(layout, add32(area.StartLine, 1), area.Band, area.StartSample) - first;
        const int64_t rowSpan = end - first;
        if (rowSpan > 0 && rowSpan <= bufferBytes && lineStride >= rowSpan)
            rowsPerBlock_ = std::min(maxRows, 1 + (bufferBytes - rowSpan) / lineStride);
    } catch (const Error&) {
        rowsPerBlock_ = 0;  // positions that overflow are reported by the reads themselves
    }
}

void RowBlocks::ensure(int32_t line)
{
    if (rowsPerBlock_ == 0 || (line >= low_ && line <= high_)) return;
    if (direction_ == Direction::Up)
        load(std::max<int64_t>(area_.StartLine, int64_t{line} - rowsPerBlock_ + 1), line);
    else
        load(line, std::min<int64_t>(area_.EndLine, int64_t{line} + rowsPerBlock_ - 1));
}

bool RowBlocks::load(int64_t low, int64_t high)
{
    const RasterLayout& layout = reader_.layout();
    try {
        const int64_t first = samplePosition(layout, static_cast<int32_t>(low), area_.Band, area_.StartSample);
        const int64_t end = samplePosition(layout, static_cast<int32_t>(high), lastBand_, area_.EndSample) +
                            layout.BytesPerSample;
        const int64_t span = end - first;
        if (first < 0 || span <= 0 || span > bufferBytes || reader_.source().available(first) < span) return false;
        // Another band's blocks of the same rows may have read these bytes.
        if (!reader_.source().buffered(first, static_cast<size_t>(span)))
            reader_.source().loadExactly(first, static_cast<size_t>(span));
    } catch (const Error&) {
        return false;
    }
    low_ = low;
    high_ = high;
    return true;
}

}  // namespace skeldra
