#include "output/FileConversion.h"

#include <optional>

#include "base/FileNames.h"
#include "base/Format.h"
#include "raster/AreaOfInterest.h"
#include "output/AtomicOutputFile.h"
#include "output/BmpFile.h"
#include "output/ConversionWriters.h"
#include "output/GrayMapping.h"
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

// How the output file ended.
struct Written {
    int32_t rows = 0;
    // False when the window is closing: the target keeps what it held.
    bool kept = true;
    // A pipe, terminal or device, which cannot be cut or rewritten after an abort.
    bool stream = false;
};

std::optional<std::string> askOutputName(WindowPort& port, bool bmp)
{
    std::string& name = port.state.SaveDialogFileName;
    name = changeFileExtension(name, bmp ? ".bmp" : ".txt");
    const auto chosen = port.askSaveFileName(name);
    if (chosen) name = *chosen;
    return chosen;
}

ConversionSettings readSettings(WindowPort& port, bool bmp)
{
    ConversionSettings settings;
    settings.test = MakeNonDataTest(port, port.isChecked(Choice::IgnoreNonDataValue));
    settings.area = readAreaOfInterest(port, {Box::StartLine, Box::BandNum, Box::StartSample,
                                              Box::OriginSample, Box::EndLine, Box::EndSample});
    const long double minimum = port.ExtendedValue(Box::MinData);
    const long double maximum = port.ExtendedValue(Box::MaxData);
    const long double gamma = port.ExtendedValue(Box::Gamma);
    // The text holds the values themselves: a gamma it does not use cannot stop it.
    settings.mapping = MakeGrayMapping(minimum, maximum, bmp ? gamma : 1);
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

// A conversion aborted by closing the window leaves no partial file: the
// user did not stay to see what it holds. A complete file is kept.
bool dropsPartialFile(WindowPort& port, const AtomicOutputFile& out, int32_t done, int32_t height)
{
    return done < height && port.state.CloseRequested && out.rewritable();
}

Written finishFile(WindowPort& port, AtomicOutputFile& out, int32_t done, int32_t height)
{
    const Written written{done, !dropsPartialFile(port, out, done, height), !out.rewritable()};
    if (written.kept)
        out.commit();
    else
        out.abandon();
    return written;
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

}  // namespace

void ConvertFile(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const bool bmp = port.isChecked(Choice::BMPOutput);
    const auto target = askOutputName(port, bmp);
    if (!target) return;
    checkNotInputFile(port.state.InputFilename, *target);

    const ConversionSettings settings = readSettings(port, bmp);
    refuseEmptyRows(settings.area);
    const int32_t height = settings.area.Height();
    checkProgressMaximum(height);
    const std::optional<BmpRows> rows =
        bmp ? std::optional(grayBmpRows(settings.area.Width(), height)) : std::nullopt;
    port.state.AbortRequested = false;

    if (bmp) logAutoNote(port);
    const Written written =
        bmp ? writeBmp(port, settings, *rows, *target) : writeText(port, settings, height, *target);
    logOutcome(port, written, height, *target);
}

}  // namespace skeldra
