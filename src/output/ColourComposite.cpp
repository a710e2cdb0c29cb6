// SPDX-License-Identifier: BSD-3-Clause
#include "output/ColourComposite.h"

#include <algorithm>
#include <cmath>

#include "analysis/AreaExtremes.h"
#include "analysis/Percentiles.h"
#include "base/Errors.h"
#include "base/Format.h"
#include "base/Rounding.h"
#include "raster/RealFormat.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

constexpr const char* channelNames[3] = {"Red", "Green", "Blue"};
constexpr Box bandBoxes[3] = {Box::RedBand, Box::GreenBand, Box::BlueBand};

// Samples between two looks at the clock, as the conversion reads them.
constexpr int64_t scanRunSamples = int64_t{1} << 18;

// The statistics of one channel: its extremes in the first pass, and the
// counts of the percentile search in every pass it takes part in.
class ChannelScan {
public:
    ChannelScan(WindowPort& port, const NonDataTest& test, int32_t bytesPerSample, PercentileSearch* search)
        : port_(port), test_(test), bytesPerSample_(bytesPerSample), search_(search)
    {
    }

    void startPass(bool active)
    {
        active_ = active;
        ++pass_;
    }

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData)
    {
        if (!active_) return;
        const std::optional<long double> nonData = nonDataForm(ignoreNonData);
        if (pass_ == 1) {
            // 8- and 16-bit samples: the search finds the extremes in its own loop.
            if (search_ && search_->addRunWithExtremes(run, format, nonData, extremes_, {})) return;
            extremes_.addRun(run, format, test_, bytesPerSample_, ignoreNonData, {});
        }
        if (search_) search_->addRun(run, format, nonData);
    }

    void value(long double value, bool /*isReal*/, bool ignoreNonData)
    {
        if (!active_) return;
        const bool nonData = IsNonDataValue(test_, value, bytesPerSample_, ignoreNonData);
        if (pass_ == 1) extremes_.addPoint(value, nonData, {});
        if (search_ && !nonData) search_->addValue(value, currentSampleFormat(port_, bytesPerSample_).kind);
    }

    void endRow() {}

    const AreaExtremes& extremes() const { return extremes_; }

private:
    std::optional<long double> nonDataForm(bool ignoreNonData) const
    {
        if (!ignoreNonData) return std::nullopt;
        return bytesPerSample_ == 8 ? static_cast<long double>(test_.DoubleForm)
                                    : static_cast<long double>(test_.SingleForm);
    }

    WindowPort& port_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    PercentileSearch* search_;
    AreaExtremes extremes_;
    bool active_ = true;
    int pass_ = 0;
};

// One pass over the area's rows; false when aborted.
bool scanPass(WindowPort& port, ChannelReaders& readers, const AreaOfInterest& area, const RgbBands& bands,
              std::array<ChannelScan, 3>& scans, ProgressSession& session)
{
    RunPacer pacer(port);
    ChannelRows<ChannelScan> rows(readers, area, bands, pacer, RowBlocks::Direction::Down, scanRunSamples);
    for (int64_t line = area.StartLine; line <= area.EndLine; ++line) {
        if (port.state.AbortRequested) return false;
        session.setPosition(line - area.StartLine);
        if (!rows.row(static_cast<int32_t>(line), {&scans[0], &scans[1], &scans[2]})) return false;
    }
    return !port.state.AbortRequested;
}

std::string rangeValueText(WindowPort& port, long double value, int32_t bytesPerSample)
{
    if (port.state.LastValueIsReal) return FormatRealValue(value, bytesPerSample);
    return formatInteger(roundToInt64(value));
}

}  // namespace

std::optional<RgbBands> chosenRgbBands(WindowPort& port)
{
    if (!port.isChecked(Choice::RGB)) return std::nullopt;
    const RasterLayout& layout = port.state.Layout;
    const int32_t bands = layout.Structure == BandStructure::None ? 1 : layout.NumBands;
    RgbBands chosen{};
    for (int c = 0; c < 3; ++c) {
        chosen[c] = port.IntegerValue(bandBoxes[c]);
        if (chosen[c] < 1 || chosen[c] > bands)
            throw Error(format("%s band must lie between 1 and %d", {std::string(channelNames[c]), int64_t{bands}}));
    }
    return chosen;
}

ChannelReaders::ChannelReaders(WindowPort& port, const RgbBands& bands)
    : lowest_(*std::min_element(bands.begin(), bands.end())), highest_(*std::max_element(bands.begin(), bands.end()))
{
    // Band images far apart would take turns in one buffer, each refilling it;
    // tiles are held per band by the reader.
    const RasterLayout& layout = port.state.Layout;
    const int count = layout.Structure == BandStructure::BSQ || isTiled(layout) ? 3 : 1;
    for (int c = 0; c < count; ++c) readers_.push_back(std::make_unique<SampleReader>(port));
}

void ChannelReaders::close()
{
    for (auto& reader : readers_) reader->close();
}

std::optional<std::array<ChannelRange, 3>> findChannelRanges(WindowPort& port, const AreaOfInterest& area,
                                                             const RgbBands& bands, const NonDataTest& test,
                                                             long double clipPercent)
{
    ChannelReaders readers(port, bands);
    const int32_t bytesPerSample = readers.reader(0).layout().BytesPerSample;
    std::array<std::optional<PercentileSearch>, 3> searches;
    if (clipPercent > 0)
        for (auto& search : searches) search.emplace(clipPercent);
    std::array<ChannelScan, 3> scans{ChannelScan(port, test, bytesPerSample, searches[0] ? &*searches[0] : nullptr),
                                     ChannelScan(port, test, bytesPerSample, searches[1] ? &*searches[1] : nullptr),
                                     ChannelScan(port, test, bytesPerSample, searches[2] ? &*searches[2] : nullptr)};
    ProgressSession session(port, area.Height());
    std::array<bool, 3> more{true, true, true};
    bool aborted = false;
    while (std::find(more.begin(), more.end(), true) != more.end()) {
        for (int c = 0; c < 3; ++c) scans[c].startPass(more[c]);
        if (!scanPass(port, readers, area, bands, scans, session)) {
            aborted = true;
            break;
        }
        for (int c = 0; c < 3; ++c)
            more[c] = more[c] && searches[c] && scans[c].extremes().dataCount > 0 && searches[c]->endPass();
    }
    session.finish();
    readers.close();
    if (aborted) return std::nullopt;

    std::array<ChannelRange, 3> ranges;
    for (int c = 0; c < 3; ++c) {
        const AreaExtremes& e = scans[c].extremes();
        ChannelRange& range = ranges[c];
        range.hasData = e.dataCount > 0;
        if (!range.hasData) continue;
        range.minimum = e.minimum;
        range.maximum = e.maximum;
        if (!searches[c]) continue;
        range.clipPercent = clipPercent;
        if (const auto values = searches[c]->result()) {
            range.minimum = values->low;
            range.maximum = values->high;
        } else {
            range.clipMissing = "the data type changed during the scan";
        }
    }
    return ranges;
}

void logChannelRanges(WindowPort& port, const RgbBands& bands, const std::array<ChannelRange, 3>& ranges)
{
    const int32_t bytesPerSample = port.state.Layout.BytesPerSample;
    for (int c = 0; c < 3; ++c) {
        const ChannelRange& range = ranges[c];
        std::string line = format("%s band %d:  ", {std::string(channelNames[c]), int64_t{bands[c]}});
        if (!range.hasData) {
            port.appendLog(line + "no data point in the area, drawn black");
            continue;
        }
        if (range.clipPercent && range.clipMissing.empty()) line += "Clip " + clipPercentText(*range.clipPercent) + " %:  ";
        line += format("Min data: %s   Max data: %s", {rangeValueText(port, range.minimum, bytesPerSample),
                                                       rangeValueText(port, range.maximum, bytesPerSample)});
        if (!range.clipMissing.empty())
            line += "  (Clip " + clipPercentText(*range.clipPercent) + " % not applied: " + range.clipMissing + ")";
        port.appendLog(line);
    }
}

std::array<GrayMapping, 3> channelMappings(const std::array<ChannelRange, 3>& ranges, long double gamma)
{
    std::array<GrayMapping, 3> mappings;
    for (int c = 0; c < 3; ++c)
        mappings[c] = ranges[c].hasData ? MakeGrayMapping(ranges[c].minimum, ranges[c].maximum, gamma)
                                        : MakeGrayMapping(0, 0, gamma);
    return mappings;
}

}  // namespace skeldra
