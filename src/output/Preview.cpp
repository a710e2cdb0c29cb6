// SPDX-License-Identifier: BSD-3-Clause
#include "output/Preview.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <limits>
#include <memory>
#include <vector>

#include "analysis/Percentiles.h"
#include "base/Checked.h"
#include "base/Format.h"
#include "base/MemorySize.h"
#include "base/Rounding.h"
#include "raster/AreaOfInterest.h"
#include "output/ColourComposite.h"
#include "output/GrayMapping.h"
#include "output/PreviewGeometry.h"
#include "output/RowBlocks.h"
#include "raster/FormatParameters.h"
#include "raster/NonDataTest.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"

namespace skeldra {
namespace {

// The busy pointer from construction to destruction, errors included.
class BusyPointer {
public:
    explicit BusyPointer(WindowPort& port) : port_(port) { port_.setBusyPointer(true); }
    ~BusyPointer() { port_.setBusyPointer(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    WindowPort& port_;
};

constexpr int32_t maxPictureWidth = 1000000;

struct PreviewSettings {
    std::optional<RgbBands> rgb;
    NonDataTest test;
    bool ignoreNonData = false;
    bool autoStretch = false;
    AreaOfInterest area;
    long double gamma = 1;
    long double clipPercent = 0;  // Auto only: the stretch leaves this percent out at each end
    PreviewSize size;
    std::vector<int32_t> lines;    // per pixel row
    std::vector<int32_t> samples;  // per pixel column
};

PreviewSize checkedPreviewSize(const AreaOfInterest& area, int32_t maxDimension)
{
    refuseEmptyRows(area);
    if (area.Height() < 1) throw Error("The end line lies before the start line");
    if (maxDimension < 1) throw Error("The preview size must be 1 or more");
    const PreviewSize size = previewSize(area.Width(), area.Height(), maxDimension);
    // The height too: a tall picture is built row by row before anything is
    // shown, with no events let through meanwhile.
    if (size.Width > maxPictureWidth || size.Height > maxPictureWidth) throwRangeCheckError();
    return size;
}

// Refuses a picture (and, for "Auto", the values it is stretched to) that
// cannot fit in memory, before anything is allocated.
// `valuesKept`: the values held per pixel, 1 for "Auto", 3 for a colour composite.
void checkPreviewMemory(const PreviewSize& size, int valuesKept)
{
    const int64_t pixels = mul64(size.Width, size.Height);
    const int64_t bytesPerPixel = 3 + valuesKept * int64_t{sizeof(long double)};
    const int64_t needed = mul64(pixels, bytesPerPixel);
    if (needed <= usableMemoryBytes()) return;
    const std::string what = valuesKept > 0 ? "and the values it is stretched to need" : "needs";
    throw Error(format("The preview (%d x %d pixels) %s %d bytes: more memory than there is",
                       {int64_t{size.Width}, int64_t{size.Height}, what, needed}));
}

// Rows a step or more apart are loaded one at a time: a block of the rows
// between them would read mostly lines that no pixel shows.
int64_t rowsPerBlock(const PreviewSize& size)
{
    return size.SampleStep >= 2 ? 1 : std::numeric_limits<int64_t>::max();
}

PreviewSettings readSettings(WindowPort& port)
{
    PreviewSettings settings;
    settings.rgb = chosenRgbBands(port);
    settings.ignoreNonData = port.isChecked(Choice::IgnoreNonDataValue);
    settings.test = MakeNonDataTest(port, settings.ignoreNonData);
    settings.autoStretch = port.isChecked(Choice::AutoStretchPreview);
    settings.area = readAreaOfInterest(port, {Box::StartLine, Box::BandNum, Box::StartSample, Box::EndLine,
                                                Box::EndSample, Box::OriginSample});
    settings.gamma = checkedGamma(port.ExtendedValue(Box::Gamma));
    settings.size = checkedPreviewSize(settings.area, port.IntegerValue(Box::MaxPreviewDimension));
    checkPreviewMemory(settings.size, settings.rgb ? 3 : settings.autoStretch ? 1 : 0);
    if (settings.autoStretch || settings.rgb) settings.clipPercent = checkedClipPercent(port.ExtendedValue(Box::ClipPercent));
    settings.lines = previewLines(settings.area, settings.size);
    settings.samples = previewSamples(settings.area, settings.size);
    return settings;
}

Choice checkedDataType(WindowPort& port)
{
    for (Choice button : {Choice::UnsignedInteger, Choice::SignedInteger})
        if (port.isChecked(button)) return button;
    return Choice::Real;
}

// What the picture was drawn from, for the pointer over the preview window.
PreviewSource sourceOf(WindowPort& port, const PreviewSettings& settings, const RasterLayout& layout)
{
    PreviewSource source;
    source.StartLine = settings.area.StartLine;
    source.EndLine = settings.area.EndLine;
    source.StartSample = settings.area.StartSample;
    source.EndSample = settings.area.EndSample;
    source.OriginSample = settings.area.OriginSample;
    source.Band = settings.area.Band;
    source.SampleStep = settings.size.SampleStep;
    source.InputFilename = port.state.InputFilename;
    source.Layout = layout;
    source.DataType = checkedDataType(port);
    source.ReverseBytes = port.isChecked(Choice::ReverseBytes);
    return source;
}

// The level of a pixel's value. 8- and 16-bit values take it from a table of
// GrayLevel over every bit pattern (the conversion's table), made once per
// picture instead of a power per pixel; the ignore flag cannot change while
// the preview runs, as it lets no events through.
class PixelLevels {
public:
    PixelLevels(WindowPort& port, const PreviewSettings& settings, const GrayMapping& mapping, int32_t bytesPerSample)
        : settings_(settings), mapping_(mapping), bytesPerSample_(bytesPerSample),
          table_(mapping, settings.test, bytesPerSample)
    {
        const SampleKind kind = currentSampleFormat(port, bytesPerSample).kind;
        // Values index the table by their bit pattern, as loaded low byte first.
        if (GrayTable::covers(kind)) levels_ = table_.levels({kind, false}, settings.ignoreNonData);
    }

    uint8_t operator()(long double v) const
    {
        if (levels_) return levels_[static_cast<uint16_t>(static_cast<int32_t>(v))];
        return GrayLevel(mapping_, v, IsNonDataValue(settings_.test, v, bytesPerSample_, settings_.ignoreNonData));
    }

private:
    const PreviewSettings& settings_;
    GrayMapping mapping_;
    int32_t bytesPerSample_;
    GrayTable table_;
    const uint8_t* levels_ = nullptr;
};

// Draws every pixel from its value; valueAt(r, c) gives the value of a pixel.
template <typename ValueAt>
PreviewPicture drawPicture(const PreviewSettings& settings, const PixelLevels& levelOf, ValueAt&& valueAt)
{
    PreviewPicture picture;
    picture.Width = settings.size.Width;
    picture.Height = settings.size.Height;
    picture.Bgr.resize(static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height) * 3);
    for (int32_t r = 0; r < picture.Height; ++r) {
        uint8_t* pixel = picture.row(r);
        for (int32_t c = 0; c < picture.Width; ++c, pixel += 3) pixel[0] = pixel[1] = pixel[2] = levelOf(valueAt(r, c));
    }
    return picture;
}

void renderPlain(WindowPort& port, const PreviewSettings& settings)
{
    const long double minimum = port.ExtendedValue(Box::MinData);
    const long double maximum = port.ExtendedValue(Box::MaxData);
    const GrayMapping mapping = MakeGrayMapping(minimum, maximum, settings.gamma);
    SampleReader reader(port);
    RowBlocks blocks(reader, settings.area, RowBlocks::Direction::Down, rowsPerBlock(settings.size));
    const PixelLevels levels(port, settings, mapping, reader.layout().BytesPerSample);
    PreviewPicture picture = drawPicture(settings, levels, [&](int32_t r, int32_t c) {
            const int32_t line = settings.lines[static_cast<size_t>(r)];
            if (c == 0) blocks.ensure(line);
            return reader.ReadDataValue(line, settings.area.Band, settings.samples[static_cast<size_t>(c)]);
        });
    picture.Source = sourceOf(port, settings, reader.layout());
    port.showPreview(picture);
    reader.close();
}

// The smallest and largest value shown, each at its first position. Non-data
// and non-finite values take no part: they would make the range meaningless.
struct Extremes {
    long double minimum = std::numeric_limits<long double>::infinity();
    long double maximum = -std::numeric_limits<long double>::infinity();
    int32_t minLine = 0, minSample = 0, maxLine = 0, maxSample = 0;
    int32_t dataPoints = 0;
    int32_t nonDataPoints = 0;

    void add(long double v, bool nonData, int32_t line, int32_t sample)
    {
        if (nonData) {
            nonDataPoints = add32(nonDataPoints, 1);
            return;
        }
        if (!std::isfinite(v)) return;
        ++dataPoints;
        if (v < minimum) {
            minimum = v;
            minLine = line;
            minSample = sample;
        }
        if (v > maximum) {
            maximum = v;
            maxLine = line;
            maxSample = sample;
        }
    }
};

void logNonDataCount(WindowPort& port, const PreviewSettings& settings, int32_t count, bool isReal,
                     int32_t bytesPerSample)
{
    const long double value = settings.test.DoubleForm;
    if (isReal) {
        port.appendLog(format("%d points with Non-data value: %s",
                              {int64_t{count}, FormatRealValue(value, bytesPerSample)}));
    } else if (const auto rounded = tryRoundToInt64(value)) {
        port.appendLog(format("%d points with Non-data value: %d ", {int64_t{count}, *rounded}));
    } else {
        port.appendLog(format("%d points with Non-data value: %e ", {int64_t{count}, value}));
    }
}

std::string valueText(long double value, bool isReal, int32_t bytesPerSample)
{
    return isReal ? FormatRealValue(value, bytesPerSample) : formatInteger(roundToInt64(value));
}

// The percentiles of the data values shown (non-data and non-finite values
// left out, as from the extremes).
std::optional<PercentileValues> shownPercentiles(const PreviewSettings& settings, const std::vector<long double>& values,
                                                 int32_t bytesPerSample)
{
    std::vector<long double> data;
    data.reserve(values.size());
    for (long double v : values)
        if (std::isfinite(v) && !IsNonDataValue(settings.test, v, bytesPerSample, settings.ignoreNonData))
            data.push_back(v);
    return percentilesOf(std::move(data), settings.clipPercent);
}

void logSummary(WindowPort& port, const PreviewSettings& settings, const Extremes& found, int32_t bytesPerSample,
                const std::optional<PercentileValues>& clipped)
{
    const bool isReal = port.state.LastValueIsReal;
    if (found.dataPoints == 0) {
        port.appendLog("Preview not drawn: no data point among the points shown");
    } else if (isReal) {
        port.appendLog(format("Preview based on  Min data: %s at (%d, %d)   Max data: %s  at (%d, %d)",
                              {FormatRealValue(found.minimum, bytesPerSample), int64_t{found.minLine},
                               int64_t{found.minSample}, FormatRealValue(found.maximum, bytesPerSample),
                               int64_t{found.maxLine}, int64_t{found.maxSample}}));
    } else {
        port.appendLog(format("Preview based on  Min data: %d at (%d, %d)   Max data: %d  at (%d, %d)",
                              {roundToInt64(found.minimum), int64_t{found.minLine}, int64_t{found.minSample},
                               roundToInt64(found.maximum), int64_t{found.maxLine}, int64_t{found.maxSample}}));
    }
    if (port.isChecked(Choice::IgnoreNonDataValue))
        logNonDataCount(port, settings, found.nonDataPoints, isReal, bytesPerSample);
    if (clipped)
        port.appendLog(format("Clip %s %%:  Min data: %s   Max data: %s",
                              {clipPercentText(settings.clipPercent), valueText(clipped->low, isReal, bytesPerSample),
                               valueText(clipped->high, isReal, bytesPerSample)}));
    port.appendLog("");
}

// Reads the values shown once, logs their extremes, then draws from the same values.
void renderAuto(WindowPort& port, const PreviewSettings& settings)
{
    const size_t width = static_cast<size_t>(settings.size.Width);
    std::vector<long double> values(width * static_cast<size_t>(settings.size.Height));
    Extremes found;
    SampleReader reader(port);
    RowBlocks blocks(reader, settings.area, RowBlocks::Direction::Down, rowsPerBlock(settings.size));
    const int32_t bytesPerSample = reader.layout().BytesPerSample;
    for (size_t r = 0; r < settings.lines.size(); ++r) {
        const int32_t line = settings.lines[r];
        blocks.ensure(line);
        for (size_t c = 0; c < width; ++c) {
            const int32_t sample = settings.samples[c];
            const long double v = reader.ReadDataValue(line, settings.area.Band, sample);
            values[r * width + c] = v;
            found.add(v, IsNonDataValue(settings.test, v, bytesPerSample, settings.ignoreNonData), line, sample);
        }
    }
    reader.close();
    std::optional<PercentileValues> clipped;
    if (settings.clipPercent > 0 && found.dataPoints > 0) clipped = shownPercentiles(settings, values, bytesPerSample);
    logSummary(port, settings, found, bytesPerSample, clipped);
    if (found.dataPoints == 0) return;
    const GrayMapping mapping = clipped ? MakeGrayMapping(clipped->low, clipped->high, settings.gamma)
                                        : MakeGrayMapping(found.minimum, found.maximum, settings.gamma);
    const PixelLevels levels(port, settings, mapping, bytesPerSample);
    PreviewPicture picture = drawPicture(settings, levels, [&](int32_t r, int32_t c) {
        return values[static_cast<size_t>(r) * width + static_cast<size_t>(c)];
    });
    picture.Source = sourceOf(port, settings, reader.layout());
    port.showPreview(picture);
}

// The blocks of rows that the channels' readers hold: one set for bands
// side by side (see ChannelReaders), one each otherwise.
std::vector<std::unique_ptr<RowBlocks>> channelBlocks(ChannelReaders& readers, const PreviewSettings& settings,
                                                      std::array<AreaOfInterest, 4>& areas)
{
    std::vector<std::unique_ptr<RowBlocks>> blocks;
    const int64_t rows = rowsPerBlock(settings.size);
    areas.fill(settings.area);
    areas[3].Band = readers.lowestBand();
    if (readers.shared()) {
        blocks.push_back(std::make_unique<RowBlocks>(readers.reader(0), areas[3], readers.highestBand(),
                                                     RowBlocks::Direction::Down, rows));
        return blocks;
    }
    for (int c = 0; c < 3; ++c) {
        areas[c].Band = (*settings.rgb)[c];
        blocks.push_back(std::make_unique<RowBlocks>(readers.reader(c), areas[c], RowBlocks::Direction::Down, rows));
    }
    return blocks;
}

// Three bands, each stretched by its own range among the values shown (or
// "Clip %" of them), whatever "Auto" says: one range cannot serve three bands.
void renderRgb(WindowPort& port, const PreviewSettings& settings)
{
    const RgbBands& bands = *settings.rgb;
    const size_t width = static_cast<size_t>(settings.size.Width);
    std::array<std::vector<long double>, 3> values;
    std::array<Extremes, 3> found;
    ChannelReaders readers(port, bands);
    const int32_t bytesPerSample = readers.reader(0).layout().BytesPerSample;
    std::array<AreaOfInterest, 4> areas;
    const auto blocks = channelBlocks(readers, settings, areas);
    for (auto& v : values) v.resize(width * settings.lines.size());
    for (size_t r = 0; r < settings.lines.size(); ++r) {
        const int32_t line = settings.lines[r];
        for (const auto& block : blocks) block->ensure(line);
        for (int ch = 0; ch < 3; ++ch)
            for (size_t c = 0; c < width; ++c) {
                const int32_t sample = settings.samples[c];
                const long double v = readers.reader(ch).ReadDataValue(line, bands[ch], sample);
                values[ch][r * width + c] = v;
                found[ch].add(v, IsNonDataValue(settings.test, v, bytesPerSample, settings.ignoreNonData), line, sample);
            }
    }
    readers.close();
    std::array<ChannelRange, 3> ranges;
    for (int ch = 0; ch < 3; ++ch) {
        ranges[ch] = {found[ch].dataPoints > 0, found[ch].minimum, found[ch].maximum, std::nullopt, ""};
        if (settings.clipPercent <= 0 || !ranges[ch].hasData) continue;
        if (const auto clipped = shownPercentiles(settings, values[ch], bytesPerSample)) {
            ranges[ch].clipPercent = settings.clipPercent;
            ranges[ch].minimum = clipped->low;
            ranges[ch].maximum = clipped->high;
        }
    }
    logChannelRanges(port, bands, ranges);
    port.appendLog("");
    const std::array<GrayMapping, 3> mappings = channelMappings(ranges, settings.gamma);
    const std::array<PixelLevels, 3> levels{PixelLevels(port, settings, mappings[0], bytesPerSample),
                                            PixelLevels(port, settings, mappings[1], bytesPerSample),
                                            PixelLevels(port, settings, mappings[2], bytesPerSample)};
    PreviewPicture picture;
    picture.Width = settings.size.Width;
    picture.Height = settings.size.Height;
    picture.Bgr.resize(width * settings.lines.size() * 3);
    for (size_t i = 0; i < width * settings.lines.size(); ++i)
        for (int ch = 0; ch < 3; ++ch) picture.Bgr[3 * i + 2 - ch] = levels[ch](values[ch][i]);
    picture.Source = sourceOf(port, settings, port.state.Layout);
    picture.Source.Rgb = true;
    picture.Source.RgbBands = bands;
    port.showPreview(picture);
}

}  // namespace

bool PreviewInputsReady(WindowPort& port)
{
    std::vector<Box> boxes = layoutBoxes(port);
    if (port.isChecked(Choice::IgnoreNonDataValue)) boxes.push_back(Box::NonDataValue);
    boxes.insert(boxes.end(), {Box::StartLine, Box::StartSample, Box::EndLine, Box::EndSample, Box::OriginSample,
                               Box::Gamma, Box::MaxPreviewDimension});
    const bool rgb = port.isChecked(Choice::RGB);
    if (rgb)
        boxes.insert(boxes.end(), {Box::RedBand, Box::GreenBand, Box::BlueBand});
    else if (!port.isChecked(Choice::AutoStretchPreview))
        boxes.insert(boxes.end(), {Box::MinData, Box::MaxData});
    for (Box box : boxes)
        if (!port.boxAcceptsQuietly(box)) return false;
    const int32_t bits = port.IntegerValue(Box::BitsPerSample);
    const int32_t band = port.IntegerValue(Box::BandNum);
    const int32_t bands = port.IntegerValue(Box::NumBands);
    if (rgb)
        for (Box box : {Box::RedBand, Box::GreenBand, Box::BlueBand})
            if (port.IntegerValue(box) < 1 || port.IntegerValue(box) > (port.isChecked(Choice::NoBands) ? 1 : bands))
                return false;
    return supportedBitsPerSample(bits) && band >= 1 && band <= bands;
}

void RenderPreview(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const BusyPointer busy(port);
    const PreviewSettings settings = readSettings(port);
    if (settings.rgb)
        renderRgb(port, settings);
    else if (settings.autoStretch)
        renderAuto(port, settings);
    else
        renderPlain(port, settings);
}

}  // namespace skeldra
