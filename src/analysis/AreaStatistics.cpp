// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/AreaStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <limits>

#include "analysis/AreaExtremes.h"
#include "analysis/AreaHistogram.h"
#include "analysis/Percentiles.h"
#include "base/Checked.h"
#include "base/Format.h"
#include "base/Rounding.h"
#include "port/LongOperation.h"
#include "raster/AreaOfInterest.h"
#include "raster/FormatParameters.h"
#include "raster/NonDataTest.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"

namespace skeldra {
namespace {

// While points are listed the log is the slow part; short runs keep the
// window answering between two pumps.
constexpr int64_t maxListedPerRun = 256;


// The controls a scan reads for every point. They can change only while
// events are processed, so they are read again after each pump.
struct PointControls {
    SampleFormat format;
    bool listPoints = false;
    bool ignoreNonData = false;
};

PointControls readPointControls(WindowPort& port, int32_t bytesPerSample)
{
    return {currentSampleFormat(port, bytesPerSample), port.isChecked(Choice::ListPoints),
            port.isChecked(Choice::IgnoreNonDataValue)};
}

std::string pointLine(int32_t line, int32_t sample, long double value, bool isReal, int32_t bytesPerSample)
{
    if (isReal)
        return format("Line: %d  Sample: %d   Data: %s",
                      {int64_t{line}, int64_t{sample}, FormatRealValue(value, bytesPerSample)});
    return format("Line: %d  Sample: %d   Data: %d", {int64_t{line}, int64_t{sample}, roundToInt64(value)});
}

class AreaScan {
public:
    // `search`, when given, counts the data points of this pass; a pass
    // after the first lists no points (they were listed once).
    // `histogram`, when given, counts the data points of this pass.
    AreaScan(WindowPort& port, SampleReader& reader, const AreaOfInterest& area, const NonDataTest& test,
             PercentileSearch* search = nullptr, bool firstPass = true, HistogramCounter* histogram = nullptr)
        : port_(port), reader_(reader), area_(area), test_(test),
          bytesPerSample_(reader.layout().BytesPerSample), pacer_(port), search_(search), histogram_(histogram),
          listing_(firstPass), controls_(readControls())
    {
    }

    const AreaExtremes& extremes() const { return extremes_; }

    void run(ProgressSession& session)
    {
        // No line has a point to read, and a line without points lets no
        // events through: going through two billion of them would freeze
        // the window with nothing to show for it.
        if (area_.EndSample < area_.StartSample) return;
        for (int64_t line = area_.StartLine; line <= area_.EndLine; ++line) {
            if (port_.state.AbortRequested) break;
            session.setPosition(line - area_.StartLine);
            if (!scanLine(static_cast<int32_t>(line))) break;
        }
    }

private:
    // False when an abort request ends the scan.
    bool scanLine(int32_t line)
    {
        int64_t sample = area_.StartSample;
        while (sample <= area_.EndSample) {
            if (port_.state.AbortRequested) return false;
            const int64_t cap = controls_.listPoints ? maxListedPerRun : std::numeric_limits<int32_t>::max();
            const int64_t wanted = std::min({pacer_.runLength(), area_.EndSample - sample + 1, cap});
            const int32_t done = scanRun(line, static_cast<int32_t>(sample), static_cast<int32_t>(wanted));
            sample += done;
            pacer_.advance(done);
            controls_ = readControls();
        }
        return true;
    }

    // Reads `wanted` points from `sample` on, in as many runs of the reader
    // as it takes (a run ends at a tile's edge); returns how many it read.
    int32_t scanRun(int32_t line, int32_t sample, int32_t wanted)
    {
        int32_t done = 0;
        while (done < wanted) done += scanReaderRun(line, sample + done, wanted - done);
        return done;
    }

    int32_t scanReaderRun(int32_t line, int32_t sample, int32_t wanted)
    {
        const RawRun run = reader_.viewRun(line, area_.Band, sample, wanted);
        if (run.count == 0) {
            // Not readable in bulk: the single read raises the exact error, if any.
            const long double value = reader_.ReadDataValue(line, area_.Band, sample);
            addPoint(line, sample, value);
            return 1;
        }
        port_.state.LastValueIsReal = isRealKind(controls_.format.kind);
        if (!controls_.listPoints) {
            if (histogram_) countRun(run);
            // The percentile search's first pass over 8- and 16-bit samples
            // finds the extremes in its own loop: one reading of each sample.
            if (search_ && search_->addRunWithExtremes(run, controls_.format, nonDataForm(), extremes_, {line, sample}))
                return run.count;
            extremes_.addRun(run, controls_.format, test_, bytesPerSample_, controls_.ignoreNonData, {line, sample});
            if (search_) search_->addRun(run, controls_.format, nonDataForm());
            return run.count;
        }
        for (int32_t i = 0; i < run.count; ++i)
            addPoint(line, sample + i, decodeSample(run.bytes + i * run.stride, controls_.format));
        return run.count;
    }

    void addPoint(int32_t line, int32_t sample, long double value)
    {
        if (controls_.listPoints)
            port_.appendLog(pointLine(line, sample, value, port_.state.LastValueIsReal, bytesPerSample_));
        const bool nonData = IsNonDataValue(test_, value, bytesPerSample_, controls_.ignoreNonData);
        extremes_.addPoint(value, nonData, {line, sample});
        if (search_ && !nonData) search_->addValue(value, controls_.format.kind);
        if (histogram_ && !nonData && !std::isnan(value)) histogram_->addValue(value, controls_.format.kind);
    }

    void countRun(const RawRun& run)
    {
        if (controls_.format.kind == SampleKind::None) return;
        for (int32_t i = 0; i < run.count; ++i) {
            const long double value = decodeSample(run.bytes + i * run.stride, controls_.format);
            if (!std::isnan(value) && !IsNonDataValue(test_, value, bytesPerSample_, controls_.ignoreNonData))
                histogram_->addValue(value, controls_.format.kind);
        }
    }

    PointControls readControls()
    {
        PointControls controls = readPointControls(port_, bytesPerSample_);
        controls.listPoints = controls.listPoints && listing_;
        return controls;
    }

    // The form the samples compare with, as in IsNonDataValue.
    std::optional<long double> nonDataForm() const
    {
        if (!controls_.ignoreNonData) return std::nullopt;
        return bytesPerSample_ == 8 ? static_cast<long double>(test_.DoubleForm)
                                    : static_cast<long double>(test_.SingleForm);
    }

    WindowPort& port_;
    SampleReader& reader_;
    const AreaOfInterest area_;
    const NonDataTest test_;
    const int32_t bytesPerSample_;
    RunPacer pacer_;
    PercentileSearch* search_;
    HistogramCounter* histogram_;
    bool listing_;
    PointControls controls_;
    AreaExtremes extremes_;
};

void logNonDataCount(WindowPort& port, int32_t count, const NonDataTest& test, int32_t bytesPerSample)
{
    if (!port.isChecked(Choice::IgnoreNonDataValue)) return;
    const FormatArg points = int64_t{count};
    const auto value = tryRoundToInt64(test.DoubleForm);
    std::string valueText;
    if (port.state.LastValueIsReal) {
        valueText = FormatRealValue(test.DoubleForm, bytesPerSample);
        port.appendLog(format("%d points with Non-data value: %s", {points, valueText}));
    } else if (value) {
        port.appendLog(format("%d points with Non-data value: %d ", {points, *value}));
    } else {
        valueText = format("%e", {static_cast<long double>(test.DoubleForm)});
        port.appendLog(format("%d points with Non-data value: %s ", {points, valueText}));
    }
    port.reportInteger("nodata_count", count);
    if (valueText.empty()) port.reportInteger("nodata", *value);
    else port.reportReal("nodata", test.DoubleForm, valueText);
}

void reportExtreme(WindowPort& port, const std::string& name, long double value, const std::string& text,
                   const Position& at)
{
    if (port.state.LastValueIsReal) port.reportReal(name, value, text);
    else port.reportInteger(name, roundToInt64(value));
    port.reportInteger(name + "_line", at.line);
    port.reportInteger(name + "_sample", at.sample);
}

// Why there is no minimum and maximum to report.
// Every non-empty area has at least one point read: the first event pump,
// and so the first chance to abort, comes after it.
std::string noDataReport(const AreaExtremes& e)
{
    const std::string lead = "No data point in the area: ";
    if (e.pointsRead() == 0) return lead + "the area is empty";
    const FormatArg read = e.pointsRead();
    if (e.notANumberCount == 0)
        return lead + format("all %d points read have the non-data value", {read});
    if (e.nonDataCount == 0) return lead + format("all %d points read are not a number", {read});
    return lead + format("of %d points read, %d have the non-data value and %d are not a number",
                         {read, int64_t{e.nonDataCount}, e.notANumberCount});
}

// A value as the summary prints it and the boxes receive it.
std::string valueText(WindowPort& port, long double value, int32_t bytesPerSample)
{
    if (port.state.LastValueIsReal) return FormatRealValue(value, bytesPerSample);
    return formatInteger(roundToInt64(value));
}

// The stretch found: logged after the extremes, and what the boxes receive.
struct Stretch {
    long double percent = 0;
    std::optional<PercentileValues> values;
    std::string missing;  // why there are no values, when there are none
};

void writeExtremes(WindowPort& port, const AreaExtremes& e, const NonDataTest& test, int32_t bytesPerSample,
                   const std::optional<Stretch>& stretch)
{
    std::string minText = valueText(port, e.minimum, bytesPerSample);
    std::string maxText = valueText(port, e.maximum, bytesPerSample);
    port.appendLog(format("Min data: %s at (%d, %d)   Max data: %s  at (%d, %d)",
                          {minText, int64_t{e.minimumAt.line}, int64_t{e.minimumAt.sample}, maxText,
                           int64_t{e.maximumAt.line}, int64_t{e.maximumAt.sample}}));
    logNonDataCount(port, e.nonDataCount, test, bytesPerSample);
    reportExtreme(port, "min", e.minimum, minText, e.minimumAt);
    reportExtreme(port, "max", e.maximum, maxText, e.maximumAt);
    if (stretch && stretch->values) {
        minText = valueText(port, stretch->values->low, bytesPerSample);
        maxText = valueText(port, stretch->values->high, bytesPerSample);
        port.appendLog(format("Clip %s %%:  Min data: %s   Max data: %s",
                              {clipPercentText(stretch->percent), minText, maxText}));
    } else if (stretch) {
        port.appendLog("Clip " + clipPercentText(stretch->percent) + " % not applied: " + stretch->missing);
    }
    port.setBoxText(Box::MinData, minText);
    port.setBoxText(Box::MaxData, maxText);
}

// An area without a data point keeps the boxes as they are: there is no
// range to put into them.
void writeSummary(WindowPort& port, const AreaExtremes& e, const NonDataTest& test, int32_t bytesPerSample,
                  const std::optional<Stretch>& stretch)
{
    if (port.isChecked(Choice::ListPoints)) port.appendLog("");
    if (e.dataCount > 0) {
        writeExtremes(port, e, test, bytesPerSample, stretch);
    } else {
        port.appendLog(noDataReport(e));
        port.reportText("no_data", noDataReport(e));
        logNonDataCount(port, e.nonDataCount, test, bytesPerSample);
    }
    port.appendLog("");
}

// The passes after the first, over the same area, until the search has
// located both values; an abort ends them without values.
std::optional<Stretch> finishStretch(WindowPort& port, SampleReader& reader, const AreaOfInterest& area,
                                     const NonDataTest& test, ProgressSession& session, PercentileSearch& search,
                                     long double percent)
{
    Stretch stretch{percent, std::nullopt, ""};
    bool more = !port.state.AbortRequested && search.endPass();
    while (more && !port.state.AbortRequested) {
        AreaScan pass(port, reader, area, test, &search, false);
        pass.run(session);
        more = !port.state.AbortRequested && search.endPass();
    }
    if (port.state.AbortRequested)
        stretch.missing = "the scan was aborted";
    else if (!(stretch.values = search.result()))
        stretch.missing = "the data type changed during the scan";
    return stretch;
}

// The picture of the values found, with the stretch the boxes received.
void showHistogram(WindowPort& port, const HistogramCounter& counter, const AreaExtremes& e,
                   const std::optional<Stretch>& stretch)
{
    const std::optional<Histogram> histogram = counter.result();
    if (!histogram) return;
    HistogramReport report;
    report.histogram = *histogram;
    report.nonDataPoints = e.nonDataCount;
    report.notANumberPoints = e.notANumberCount;
    report.minData = e.minimum;
    report.maxData = e.maximum;
    if (stretch && stretch->values) {
        report.clipPercent = stretch->percent;
        report.minData = report.clipLow = stretch->values->low;
        report.maxData = report.clipHigh = stretch->values->high;
    }
    port.showHistogram(report);
}

}  // namespace

void ComputeAreaStatistics(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const AreaOfInterest area =
        readAreaOfInterest(port, {Box::StartLine, Box::StartSample, Box::EndLine, Box::EndSample, Box::BandNum});
    const NonDataTest test = MakeNonDataTest(port, port.isChecked(Choice::IgnoreNonDataValue));
    const long double clip = checkedClipPercent(port.ExtendedValue(Box::ClipPercent));
    const RasterLayout& layout = port.state.Layout;
    if (layout.Structure != BandStructure::None)
    {
        port.appendLog(format("Reading band %d only", {int64_t{area.Band}}));
        port.reportInteger("band", area.Band);
    }

    port.state.AbortRequested = false;
    ProgressSession session(port, add32(sub32(area.EndLine, area.StartLine), 1));
    SampleReader reader(port);
    reader.expectRows(area.Band, area.StartSample, area.EndSample);
    std::optional<PercentileSearch> search;
    if (clip > 0) search.emplace(clip);
    std::optional<HistogramCounter> histogram;
    if (port.wantsHistogram()) histogram.emplace();
    AreaScan scan(port, reader, area, test, search ? &*search : nullptr, true, histogram ? &*histogram : nullptr);
    scan.run(session);
    std::optional<Stretch> stretch;
    if (search && scan.extremes().dataCount > 0)
        stretch = finishStretch(port, reader, area, test, session, *search, clip);
    if (histogram && histogram->needsCountingPass() && !port.state.AbortRequested) {
        histogram->startCountingPass();
        AreaScan pass(port, reader, area, test, nullptr, false, &*histogram);
        pass.run(session);
    }
    session.finish();
    reader.close();
    writeSummary(port, scan.extremes(), test, layout.BytesPerSample, stretch);
    if (histogram && !port.state.AbortRequested) showHistogram(port, *histogram, scan.extremes(), stretch);
}

}  // namespace skeldra
