// SPDX-License-Identifier: BSD-3-Clause
#include "output/FileConversion.h"

#include <optional>

#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/Format.h"
#include "raster/AreaOfInterest.h"
#include "output/AtomicOutputFile.h"
#include "output/BmpFile.h"
#include "output/ConversionEnd.h"
#include "output/ConversionWriters.h"
#include "output/GrayMapping.h"
#include "output/NoDataText.h"
#include "output/PngFile.h"
#include "output/RgbConversion.h"
#include "analysis/Percentiles.h"
#include "output/RasterRowWriters.h"
#include "output/TiffFile.h"
#include "output/RowRuns.h"
#include "raster/FormatParameters.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"

namespace skeldra {
namespace {

// Samples between two looks at the clock: a gray level costs nanoseconds, a
// formatted real a fraction of a microsecond, and the window should answer
// within a few milliseconds.
constexpr int64_t bmpRunSamples = int64_t{1} << 18;
constexpr int64_t textRunSamples = int64_t{1} << 13;

// Everything the conversion takes from the boxes, read once at its start.
struct ConversionSettings {
    NonDataTest test;
    AreaOfInterest area;
    GrayMapping mapping;
};

OutputKind chosenOutputKind(WindowPort& port)
{
    for (OutputKind kind : {OutputKind::Bmp, OutputKind::Png, OutputKind::Png16, OutputKind::Tiff})
        if (port.isChecked(outputChoice(kind))) return kind;
    return OutputKind::Text;
}

const char* outputExtension(OutputKind kind)
{
    switch (kind) {
    case OutputKind::Bmp: return ".bmp";
    case OutputKind::Text: return ".txt";
    case OutputKind::Png:
    case OutputKind::Png16: return ".png";
    case OutputKind::Tiff: return ".tif";
    }
    return ".bmp";
}

// The gray pictures use the gamma; the text and the TIFF hold the values.
bool usesGamma(OutputKind kind) { return kind == OutputKind::Bmp || kind == OutputKind::Png || kind == OutputKind::Png16; }

std::optional<std::string> askOutputName(WindowPort& port, OutputKind kind)
{
    std::string& name = port.state.SaveDialogFileName;
    name = changeFileExtension(name, outputExtension(kind));
    const auto chosen = port.askSaveFileName(name);
    if (chosen) name = *chosen;
    return chosen;
}

ConversionSettings readSettings(WindowPort& port, bool gammaUsed)
{
    ConversionSettings settings;
    settings.test = MakeNonDataTest(port, port.isChecked(Choice::IgnoreNonDataValue));
    settings.area = readAreaOfInterest(port, {Box::StartLine, Box::BandNum, Box::StartSample,
                                              Box::OriginSample, Box::EndLine, Box::EndSample});
    const long double minimum = port.ExtendedValue(Box::MinData);
    const long double maximum = port.ExtendedValue(Box::MaxData);
    const long double gamma = port.ExtendedValue(Box::Gamma);
    // The text holds the values themselves: a gamma it does not use cannot stop it.
    settings.mapping = MakeGrayMapping(minimum, maximum, gammaUsed ? gamma : 1);
    return settings;
}

void logAutoNote(WindowPort& port)
{
    if (port.isChecked(Choice::AutoStretchPreview)) {
        port.appendLog("Note: although \"Auto\" stretch is checked for Preview images, the BMP output will be scaled to");
        port.appendLog("  the current values in \"Min data\" and \"Max data\" boxes -- make sure they are set as intended.");
    }
    port.appendLog("");
}

// Rows from the end line up to the start line.
Written writeBmp(WindowPort& port, const ConversionSettings& settings, const BmpRows& rows,
                 const std::string& target)
{
    const AreaOfInterest& area = settings.area;
    SampleReader reader(port);
    AtomicOutputFile out(target);
    out.write(grayBmpHeader(rows).data(), grayPixelOffset);
    ProgressSession session(port, rows.Height);
    RunPacer pacer(port);
    BmpRowWriter writer(out, settings.mapping, settings.test, reader.layout().BytesPerSample, rows.RowPadBytes);
    RowRuns<BmpRowWriter> runs(reader, area, pacer, RowBlocks::Direction::Up, bmpRunSamples);
    int32_t done = 0;
    for (int64_t line = area.EndLine; line >= area.StartLine && !port.state.AbortRequested; --line) {
        session.setPosition(done);
        if (!runs.row(static_cast<int32_t>(line), writer)) break;
        writer.endRow();
        ++done;
    }
    session.finish();
    reader.close();
    if (done < rows.Height && !dropsPartialFile(port, out, done, rows.Height)) {
        // A valid picture of the completed rows: those at the bottom. A
        // stream keeps the header it was sent.
        const BmpRows completed = grayBmpRows(rows.Width, done);
        out.truncate(completed.FileSize);
        if (out.rewritable()) out.overwrite(0, grayBmpHeader(completed));
    }
    return finishFile(port, out, done, rows.Height);
}

// Rows from the start line down to the end line.
Written writeText(WindowPort& port, const ConversionSettings& settings, int32_t height, const std::string& target)
{
    const AreaOfInterest& area = settings.area;
    SampleReader reader(port);
    AtomicOutputFile out(target);
    ProgressSession session(port, height);
    RunPacer pacer(port);
    TextRowWriter writer(out, settings.mapping.DataMin, settings.test, reader.layout().BytesPerSample,
                         area.Width());
    RowRuns<TextRowWriter> runs(reader, area, pacer, RowBlocks::Direction::Down, textRunSamples);
    int32_t done = 0;
    int64_t completeBytes = 0;
    for (int64_t line = area.StartLine; line <= area.EndLine && !port.state.AbortRequested; ++line) {
        session.setPosition(done);
        if (!runs.row(static_cast<int32_t>(line), writer)) break;
        writer.endRow();
        ++done;
        completeBytes = out.size();
    }
    session.finish();
    reader.close();
    if (done < height) out.truncate(completeBytes);
    return finishFile(port, out, done, height);
}

// Rows from the start line down to the end line, each handed to `emit`
// when complete; returns the rows completed.
template <typename Writer, typename Emit>
int32_t writeRowsDown(WindowPort& port, SampleReader& reader, const AreaOfInterest& area, Writer& writer,
                      Emit&& emit)
{
    ProgressSession session(port, area.Height());
    RunPacer pacer(port);
    RowRuns<Writer> runs(reader, area, pacer, RowBlocks::Direction::Down, bmpRunSamples);
    int32_t done = 0;
    for (int64_t line = area.StartLine; line <= area.EndLine && !port.state.AbortRequested; ++line) {
        session.setPosition(done);
        writer.clear();
        if (!runs.row(static_cast<int32_t>(line), writer)) break;
        writer.endRow();
        emit(done);
        ++done;
    }
    session.finish();
    return done;
}

Written writePng(WindowPort& port, const ConversionSettings& settings, int bitDepth, const std::string& target)
{
    const AreaOfInterest& area = settings.area;
    SampleReader reader(port);
    AtomicOutputFile out(target);
    PngWriter png(out, area.Width(), area.Height(), bitDepth);
    const int32_t bytesPerSample = reader.layout().BytesPerSample;
    int32_t done = 0;
    if (bitDepth == 8) {
        Gray8RowWriter writer(settings.mapping, settings.test, bytesPerSample, area.Width());
        done = writeRowsDown(port, reader, area, writer, [&](int32_t) { png.writeRow(writer.row()); });
    } else {
        Gray16RowWriter writer(settings.mapping, settings.test, bytesPerSample, area.Width());
        done = writeRowsDown(port, reader, area, writer, [&](int32_t) { png.writeRow(writer.row()); });
    }
    reader.close();
    return finishPng(png, out, done, area.Height());
}

Written writeTiff(WindowPort& port, const ConversionSettings& settings, bool ignore, const std::string& target)
{
    const AreaOfInterest& area = settings.area;
    SampleReader reader(port);
    const int32_t bytesPerSample = reader.layout().BytesPerSample;
    const SampleKind kind = currentSampleFormat(port, bytesPerSample).kind;
    AtomicOutputFile out(target);
    // libtiff completes the header last, which a pipe or a device cannot take.
    if (!out.rewritable()) throw Error("A TIFF file cannot be written to a pipe or a device");
    TiffWriter tiff(out, area.Width(), area.Height(), kind, ignore ? noDataText(settings.test, bytesPerSample) : "");
    RawRowWriter writer(kind, area.Width());
    const int32_t done =
        writeRowsDown(port, reader, area, writer, [&](int32_t row) { tiff.writeRow(writer.row(), row); });
    reader.close();
    return finishTiff(port, tiff, out, done, area.Height());
}

void logOutcome(WindowPort& port, const Written& written, int32_t height, const std::string& target)
{
    if (written.rows == height) {
        port.appendLog("Image converted to: " + target);
    } else if (!written.kept) {
        port.appendLog("Conversion aborted; " + target + " left as it was");
    } else {
        port.appendLog(format("Conversion aborted; %d of %d rows written to: %s",
                              {int64_t{written.rows}, int64_t{height}, target}));
        if (written.stream)
            port.appendLog("The output is a stream, which cannot be cut or rewritten: it holds what was sent "
                           "before the abort");
    }
}

// Three bands as one picture: the channels' ranges are found first.
void convertRgb(WindowPort& port, OutputKind kind, const RgbBands& bands)
{
    RgbConversion settings;
    settings.area = readAreaOfInterest(port, {Box::StartLine, Box::StartSample, Box::OriginSample, Box::EndLine,
                                              Box::EndSample});
    refuseEmptyRows(settings.area);
    checkRgbOutput(kind, settings.area);
    checkProgressMaximum(settings.area.Height());
    const auto target = askOutputName(port, kind);
    if (!target) return;
    checkNotInputFile(port.state, *target);
    settings.bands = bands;
    settings.ignoreAtStart = port.isChecked(Choice::IgnoreNonDataValue);
    settings.test = MakeNonDataTest(port, settings.ignoreAtStart);
    settings.gamma = usesGamma(kind) ? checkedGamma(port.ExtendedValue(Box::Gamma)) : 1;
    settings.clipPercent = checkedClipPercent(port.ExtendedValue(Box::ClipPercent));
    port.state.AbortRequested = false;
    const std::optional<Written> written = writeRgb(port, kind, settings, *target);
    if (!written)
        port.appendLog("Conversion aborted; " + *target + " left as it was");
    else
        logOutcome(port, *written, settings.area.Height(), *target);
}

}  // namespace

Choice outputChoice(OutputKind kind)
{
    switch (kind) {
    case OutputKind::Bmp: return Choice::BMPOutput;
    case OutputKind::Text: return Choice::TextOutput;
    case OutputKind::Png: return Choice::PNGOutput;
    case OutputKind::Png16: return Choice::PNG16Output;
    case OutputKind::Tiff: return Choice::TIFFOutput;
    }
    return Choice::BMPOutput;
}

void ConvertFile(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const OutputKind kind = chosenOutputKind(port);
    if (const auto bands = chosenRgbBands(port)) return convertRgb(port, kind, *bands);
    const bool bmp = kind == OutputKind::Bmp;
    const auto target = askOutputName(port, kind);
    if (!target) return;
    checkNotInputFile(port.state, *target);

    const bool ignoreAtStart = port.isChecked(Choice::IgnoreNonDataValue);
    const ConversionSettings settings = readSettings(port, usesGamma(kind));
    refuseEmptyRows(settings.area);
    const int32_t height = settings.area.Height();
    checkProgressMaximum(height);
    // PNG and TIFF have no picture of no rows, which BMP and text do have.
    if (height < 1 && kind != OutputKind::Bmp && kind != OutputKind::Text)
        throw Error("The end line lies before the start line");
    const std::optional<BmpRows> rows =
        bmp ? std::optional(grayBmpRows(settings.area.Width(), height)) : std::nullopt;
    port.state.AbortRequested = false;

    if (bmp) logAutoNote(port);
    Written written;
    switch (kind) {
    case OutputKind::Bmp: written = writeBmp(port, settings, *rows, *target); break;
    case OutputKind::Text: written = writeText(port, settings, height, *target); break;
    case OutputKind::Png: written = writePng(port, settings, 8, *target); break;
    case OutputKind::Png16: written = writePng(port, settings, 16, *target); break;
    case OutputKind::Tiff: written = writeTiff(port, settings, ignoreAtStart, *target); break;
    }
    logOutcome(port, written, height, *target);
}

}  // namespace skeldra
