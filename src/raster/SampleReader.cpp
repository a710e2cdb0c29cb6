// SPDX-License-Identifier: BSD-3-Clause
#include "raster/SampleReader.h"

#include <algorithm>

#include "base/Checked.h"
#include "raster/Strides.h"

namespace skeldra {

SampleFormat currentSampleFormat(WindowPort& port, int32_t bytesPerSample)
{
    const DataType type = port.isChecked(Choice::UnsignedInteger) ? DataType::Unsigned
                        : port.isChecked(Choice::SignedInteger)   ? DataType::Signed
                                                                  : DataType::Real;
    return {sampleKind(bytesPerSample, type), port.isChecked(Choice::ReverseBytes)};
}

SampleReader::SampleReader(WindowPort& port)
    : port_(port), layout_(port.state.Layout), source_(port.state.InputFilename)
{
}

void SampleReader::expectRows(int32_t band, int32_t firstSample, int32_t lastSample, int64_t maxLines)
{
    if (isTiled(layout_)) tiles_.emplace(layout_, source_, band, firstSample, lastSample, maxLines);
}

long double SampleReader::ReadDataValue(int32_t line, int32_t band, int32_t sample)
{
    const SampleFormat format = currentSampleFormat(port_, layout_.BytesPerSample);
    if (tiles_ && format.kind != SampleKind::None)
        if (const TileBlocks::Span held = tiles_->find(line, band, sample); held.count > 0) {
            port_.state.LastValueIsReal = isRealKind(format.kind);
            return decodeSample(held.bytes, format);
        }
    const int64_t position = samplePosition(layout_, line, band, sample);
    if (format.kind == SampleKind::None) {
        source_.view(position, 0);  // the position is still checked
        return 0;
    }
    const uint8_t* bytes = source_.view(position, static_cast<size_t>(layout_.BytesPerSample));
    port_.state.LastValueIsReal = isRealKind(format.kind);
    return decodeSample(bytes, format);
}

RawRun SampleReader::viewRun(int32_t line, int32_t band, int32_t sample, int32_t maxCount)
{
    const int64_t bps = layout_.BytesPerSample;
    const int64_t stride = sampleStride(layout_);
    if (maxCount <= 0 || bps <= 0 || stride < bps) return {};
    // A run stops at its tile's edge: the next sample lies in the next tile.
    if (tiles_)
        if (const TileBlocks::Span held = tiles_->find(line, band, sample); held.count > 0)
            return {held.bytes, bps, std::min(held.count, maxCount)};
    maxCount = std::min(maxCount, samplesToTileEdge(layout_, sample));
    const int64_t first = samplePosition(layout_, line, band, sample);
    const int64_t available = source_.available(first);
    if (available < bps) return {};
    const int64_t limit = static_cast<int64_t>(ByteSource::bufferBytes);
    const int64_t fit = (std::min(available, limit) - bps) / stride + 1;
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(fit, maxCount));
    const int64_t span = (count - 1) * stride + bps;
    return {source_.view(first, static_cast<size_t>(span)), stride, count};
}

void SampleReader::decodeRun(const RawRun& run, SampleFormat format, long double* values)
{
    for (int32_t i = 0; i < run.count; ++i) values[i] = decodeSample(run.bytes + i * run.stride, format);
    if (run.count > 0 && format.kind != SampleKind::None)
        port_.state.LastValueIsReal = isRealKind(format.kind);
}

}  // namespace skeldra
