// SPDX-License-Identifier: BSD-3-Clause
#include "output/RgbConversion.h"

#include <cstring>
#include <vector>

#include "base/Errors.h"
#include "output/BmpFile.h"
#include "output/ConversionWriters.h"
#include "output/NoDataText.h"
#include "output/PngFile.h"
#include "output/RasterRowWriters.h"
#include "output/TiffFile.h"

namespace skeldra {
namespace {

// Samples between two looks at the clock, as in the gray conversion.
constexpr int64_t runSamples = int64_t{1} << 18;

// The three channels' samples of a row, pixel by pixel, in the order given.
template <typename T>
void interleave(const std::array<const T*, 3>& channels, int32_t width, T* out)
{
    for (int32_t i = 0; i < width; ++i) {
        out[3 * i] = channels[0][i];
        out[3 * i + 1] = channels[1][i];
        out[3 * i + 2] = channels[2][i];
    }
}

template <typename T>
void interleaveBytes(const std::array<const uint8_t*, 3>& channels, int32_t width, uint8_t* out)
{
    std::array<std::vector<T>, 3> typed;
    std::array<const T*, 3> pointers{};
    for (int c = 0; c < 3; ++c) {
        typed[c].resize(static_cast<size_t>(width));
        std::memcpy(typed[c].data(), channels[c], typed[c].size() * sizeof(T));
        pointers[c] = typed[c].data();
    }
    std::vector<T> pixels(static_cast<size_t>(width) * 3);
    interleave(pointers, width, pixels.data());
    std::memcpy(out, pixels.data(), pixels.size() * sizeof(T));
}

// Raw samples of any width, as bytes.
void interleaveSamples(const std::array<const uint8_t*, 3>& channels, int32_t width, int32_t bytes, uint8_t* out)
{
    switch (bytes) {
    case 1: interleave(channels, width, out); break;
    case 2: interleaveBytes<uint16_t>(channels, width, out); break;
    case 4: interleaveBytes<uint32_t>(channels, width, out); break;
    default: interleaveBytes<uint64_t>(channels, width, out); break;
    }
}

// The rows of the area in the direction given, each handed to `emit` once
// its three channels are complete; returns the rows completed.
template <typename Writer, typename Emit>
int32_t writeChannelRows(WindowPort& port, const RgbConversion& settings, std::array<Writer, 3>& writers,
                         RowBlocks::Direction direction, Emit&& emit)
{
    const AreaOfInterest& area = settings.area;
    ChannelReaders readers(port, settings.bands);
    ProgressSession session(port, area.Height());
    RunPacer pacer(port);
    ChannelRows<Writer> rows(readers, area, settings.bands, pacer, direction, runSamples);
    const bool up = direction == RowBlocks::Direction::Up;
    int32_t done = 0;
    for (int64_t i = 0; i < area.Height() && !port.state.AbortRequested; ++i) {
        const int64_t line = up ? area.EndLine - i : area.StartLine + i;
        session.setPosition(done);
        for (Writer& writer : writers) writer.clear();
        if (!rows.row(static_cast<int32_t>(line), {&writers[0], &writers[1], &writers[2]})) break;
        emit(done);
        ++done;
    }
    session.finish();
    readers.close();
    return done;
}

template <typename Writer>
std::array<Writer, 3> levelWriters(const RgbConversion& settings, const std::array<GrayMapping, 3>& mappings,
                                   int32_t bytesPerSample)
{
    const int32_t width = settings.area.Width();
    return {Writer(mappings[0], settings.test, bytesPerSample, width),
            Writer(mappings[1], settings.test, bytesPerSample, width),
            Writer(mappings[2], settings.test, bytesPerSample, width)};
}

// Rows from the end line up, blue, green and red in each pixel.
Written writeBmp(WindowPort& port, const RgbConversion& settings, const std::array<GrayMapping, 3>& mappings,
                 const std::string& target)
{
    const int32_t width = settings.area.Width();
    const int32_t height = settings.area.Height();
    auto writers = levelWriters<Gray8RowWriter>(settings, mappings, port.state.Layout.BytesPerSample);
    AtomicOutputFile out(target);
    const std::vector<uint8_t> header = bgrBmpHeader(width, height);
    out.write(header.data(), header.size());
    std::vector<uint8_t> row(static_cast<size_t>(bgrBmpRowStride(width)), 0);
    const int32_t done = writeChannelRows(port, settings, writers, RowBlocks::Direction::Up, [&](int32_t) {
        interleave<uint8_t>({writers[2].row(), writers[1].row(), writers[0].row()}, width, row.data());
        out.write(row.data(), row.size());
    });
    if (done < height && !dropsPartialFile(port, out, done, height)) {
        // A valid picture of the completed rows: those at the bottom.
        out.truncate(bgrBmpFileSize(width, done));
        if (out.rewritable()) out.overwrite(0, bgrBmpHeader(width, done));
    }
    return finishFile(port, out, done, height);
}

template <typename Writer, typename Sample>
Written writePng(WindowPort& port, const RgbConversion& settings, const std::array<GrayMapping, 3>& mappings,
                 int bitDepth, const std::string& target)
{
    const int32_t width = settings.area.Width();
    auto writers = levelWriters<Writer>(settings, mappings, port.state.Layout.BytesPerSample);
    AtomicOutputFile out(target);
    PngWriter png(out, width, settings.area.Height(), bitDepth, 3);
    std::vector<Sample> row(static_cast<size_t>(width) * 3);
    const int32_t done = writeChannelRows(port, settings, writers, RowBlocks::Direction::Down, [&](int32_t) {
        interleave<Sample>({writers[0].row(), writers[1].row(), writers[2].row()}, width, row.data());
        png.writeRow(row.data());
    });
    return finishPng(png, out, done, settings.area.Height());
}

Written writeTiff(WindowPort& port, const RgbConversion& settings, const std::string& target)
{
    const int32_t width = settings.area.Width();
    const int32_t bytesPerSample = port.state.Layout.BytesPerSample;
    const SampleKind kind = currentSampleFormat(port, bytesPerSample).kind;
    AtomicOutputFile out(target);
    // libtiff completes the header last, which a pipe or a device cannot take.
    if (!out.rewritable()) throw Error("A TIFF file cannot be written to a pipe or a device");
    const std::string noData = settings.ignoreAtStart ? noDataText(settings.test, bytesPerSample) : "";
    TiffWriter tiff(out, width, settings.area.Height(), kind, noData, 3);
    std::array<RawRowWriter, 3> writers{RawRowWriter(kind, width), RawRowWriter(kind, width),
                                        RawRowWriter(kind, width)};
    const int32_t bytes = sampleBytes(kind);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3 * bytes);
    const int32_t done = writeChannelRows(port, settings, writers, RowBlocks::Direction::Down, [&](int32_t r) {
        interleaveSamples({writers[0].row(), writers[1].row(), writers[2].row()}, width, bytes, row.data());
        tiff.writeRow(row.data(), r);
    });
    return finishTiff(port, tiff, out, done, settings.area.Height());
}

}  // namespace

void checkRgbOutput(OutputKind kind, const AreaOfInterest& area)
{
    if (kind == OutputKind::Text)
        throw Error("Text output holds one band: clear RGB, or choose BMP, PNG or TIFF for a colour composite");
    if (area.Height() < 1) throw Error("The end line lies before the start line");
    if (kind == OutputKind::Bmp) bgrBmpFileSize(area.Width(), area.Height());
}

std::optional<Written> writeRgb(WindowPort& port, OutputKind kind, const RgbConversion& settings,
                                const std::string& target)
{
    if (kind == OutputKind::Tiff) return writeTiff(port, settings, target);
    const auto ranges = findChannelRanges(port, settings.area, settings.bands, settings.test, settings.clipPercent);
    if (!ranges) return std::nullopt;
    logChannelRanges(port, settings.bands, *ranges);
    port.appendLog("");
    const std::array<GrayMapping, 3> mappings = channelMappings(*ranges, settings.gamma);
    switch (kind) {
    case OutputKind::Bmp: return writeBmp(port, settings, mappings, target);
    case OutputKind::Png: return writePng<Gray8RowWriter, uint8_t>(port, settings, mappings, 8, target);
    case OutputKind::Png16: return writePng<Gray16RowWriter, uint16_t>(port, settings, mappings, 16, target);
    default: return std::nullopt;
    }
}

}  // namespace skeldra
