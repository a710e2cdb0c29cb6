#include "output/Preview.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <limits>
#include <vector>

#include "analysis/Percentiles.h"
#include "base/Checked.h"
#include "base/Format.h"
#include "base/MemorySize.h"
#include "base/Rounding.h"
#include "raster/AreaOfInterest.h"
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
void checkPreviewMemory(const PreviewSize& size, bool autoStretch)
{
    const int64_t pixels = mul64(size.Width, size.Height);
    const int64_t bytesPerPixel = 3 + (autoStretch ? int64_t{sizeof(long double)} : 0);
    const int64_t needed = mul64(pixels, bytesPerPixel);
    if (needed <= usableMemoryBytes()) return;
    const std::string what = autoStretch ? "and the values it is stretched to need" : "needs";
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
    settings.ignoreNonData = port.isChecked(Choice::IgnoreNonDataValue);
    settings.test = MakeNonDataTest(port, settings.ignoreNonData);
    settings.autoStretch = port.isChecked(Choice::AutoStretchPreview);
    settings.area = readAreaOfInterest(port, {Box::StartLine, Box::BandNum, Box::StartSample, Box::EndLine,
                                                Box::EndSample, Box::OriginSample});
    settings.gamma = checkedGamma(port.ExtendedValue(Box::Gamma));
    settings.size = checkedPreviewSize(settings.area, port.IntegerValue(Box::MaxPreviewDimension));
    checkPreviewMemory(settings.size, settings.autoStretch);
    if (settings.autoStretch) settings.clipPercent = checkedClipPercent(port.ExtendedValue(Box::ClipPercent));
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

std::string percentText(long double percent)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(percent)).ptr;
    return std::string(text, end);
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
                              {percentText(settings.clipPercent), valueText(clipped->low, isReal, bytesPerSample),
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

}  // namespace

bool PreviewInputsReady(WindowPort& port)
{
    std::vector<Box> boxes = layoutBoxes(port);
    if (port.isChecked(Choice::IgnoreNonDataValue)) boxes.push_back(Box::NonDataValue);
    boxes.insert(boxes.end(), {Box::StartLine, Box::StartSample, Box::EndLine, Box::EndSample, Box::OriginSample,
                               Box::Gamma, Box::MaxPreviewDimension});
    if (!port.isChecked(Choice::AutoStretchPreview)) boxes.insert(boxes.end(), {Box::MinData, Box::MaxData});
    for (Box box : boxes)
        if (!port.boxAcceptsQuietly(box)) return false;
    const int32_t bits = port.IntegerValue(Box::BitsPerSample);
    const int32_t band = port.IntegerValue(Box::BandNum);
    return supportedBitsPerSample(bits) && band >= 1 &&
           band <= port.IntegerValue(Box::NumBands);
}

void RenderPreview(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const BusyPointer busy(port);
    const PreviewSettings settings = readSettings(port);
    if (settings.autoStretch)
        renderAuto(port, settings);
    else
        renderPlain(port, settings);
}

}  // namespace skeldra
