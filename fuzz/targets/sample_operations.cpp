// SPDX-License-Identifier: BSD-3-Clause
// The operations that read samples: a random layout, random area and
// controls, and a small file of random bytes. A few operations run one after
// another on one window; after each the window must be idle, the input file
// unchanged, no file descriptor left open and no stray file left behind. The
// area statistics must equal a point-by-point reading of the same samples.
#include <fuzzer/FuzzedDataProvider.h>

#include <dirent.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/Errors.h"
#include "base/Rounding.h"
#include "raster/FormatParameters.h"
#include "raster/NonDataTest.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"
#include "support/FuzzFile.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::FuzzWindow;
using fuzzing::require;

namespace {

// A box text: mostly a small number near the interesting edges, sometimes
// any 32-bit value, sometimes any text.
std::string boxText(FuzzedDataProvider& input, int low, int high)
{
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0: return std::to_string(input.ConsumeIntegral<int32_t>());
    case 1: return input.ConsumeRandomLengthString(10);
    default: return std::to_string(input.ConsumeIntegralInRange(low, high));
    }
}

std::string realText(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return input.ConsumeRandomLengthString(12);
    case 1: return std::to_string(input.ConsumeIntegralInRange(-300, 70000));
    default: return format("%e", {static_cast<long double>(input.ConsumeFloatingPoint<double>())});
    }
}

void setLayout(FuzzWindow& w, FuzzedDataProvider& input)
{
    static const int bits[] = {8, 8, 16, 16, 32, 32, 64, 0, 12, 128, -8};
    w.setBoxText(Box::HeaderBytes, boxText(input, -4, 64));
    w.setBoxText(Box::NumSamples, boxText(input, -1, 12));
    w.setBoxText(Box::BitsPerSample, std::to_string(bits[input.ConsumeIntegralInRange(0, 10)]));
    w.setBoxText(Box::NumBands, boxText(input, -1, 4));
    w.setBoxText(Box::BandNum, boxText(input, -1, 5));
    w.setBoxText(Box::NumSingleImageLines, boxText(input, -1, 12));
    w.setBoxText(Box::NumBandPadBytes, boxText(input, -2, 8));
    w.setBoxText(Box::NumRowPadBytes, boxText(input, -2, 8));
    w.setBoxText(Box::NumBandGapBytes, boxText(input, -2, 16));
    // Mostly lines; tiles of a few samples, sometimes of any size.
    const bool tiled = input.ConsumeIntegralInRange(0, 3) == 0;
    w.setBoxText(Box::TileSamples, tiled ? boxText(input, -1, 5) : "0");
    w.setBoxText(Box::TileLines, tiled ? boxText(input, -1, 5) : "0");
    static const Choice structures[] = {Choice::NoBands, Choice::BIL, Choice::BIP, Choice::BSQ};
    w.check(structures[input.ConsumeIntegralInRange(0, 3)]);
    w.main().BandStructure_RadioButtonClick();
    static const Choice types[] = {Choice::UnsignedInteger, Choice::SignedInteger, Choice::Real};
    w.check(types[input.ConsumeIntegralInRange(0, 2)]);
    w.setChecked(Choice::ReverseBytes, input.ConsumeBool());
}

void setArea(FuzzWindow& w, FuzzedDataProvider& input)
{
    w.setBoxText(Box::StartLine, boxText(input, -1, 12));
    w.setBoxText(Box::EndLine, boxText(input, -1, 12));
    w.setBoxText(Box::StartSample, boxText(input, -1, 12));
    w.setBoxText(Box::EndSample, boxText(input, -1, 12));
    w.setBoxText(Box::Line, boxText(input, -1, 12));
    w.setBoxText(Box::Sample, boxText(input, -1, 12));
    w.setChecked(Choice::IgnoreNonDataValue, input.ConsumeBool());
    w.setBoxText(Box::NonDataValue, realText(input));
    w.setChecked(Choice::ListPoints, input.ConsumeIntegralInRange(0, 7) == 0);
    w.setBoxText(Box::MinData, realText(input));
    w.setBoxText(Box::MaxData, realText(input));
    w.setBoxText(Box::Gamma, realText(input));
    w.setBoxText(Box::OriginSample, boxText(input, -1, 12));
    w.setBoxText(Box::MaxPreviewDimension, boxText(input, -1, 40));
    w.setChecked(Choice::AutoStretchPreview, input.ConsumeBool());
    w.check(input.ConsumeBool() ? Choice::TextOutput : Choice::BMPOutput);
}

int openDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir)) ++count;
        ::closedir(dir);
    }
    return count;
}

std::set<std::string> folderEntries()
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fuzzing::fuzzFolder()))
        names.insert(entry.path().filename().string());
    return names;
}

// The extremes of the area read one point at a time, as box texts, or the
// error the reading raises. Empty texts: no data point.
struct Reference {
    std::string error, minText, maxText;
};

using BoxTexts = std::vector<std::string>;

BoxTexts boxTexts(FuzzWindow& w)
{
    BoxTexts texts;
    for (int i = 0; i < boxCount; ++i) texts.push_back(w.boxText(static_cast<Box>(i)));
    return texts;
}

// Reads the area again from the box texts the operation started with (its
// band correction changes the Band # box, and a second correction of the
// corrected text need not give the same band).
Reference readPointByPoint(FuzzWindow& w)
{
    Reference result;
    try {
        // The layout as the operation derived it; that can overflow too.
        ReadFormatParameters(w);
        // The progress bar takes one step per line and refuses a negative range.
        // In 32 bits, checked at each step: end - start, then + 1.
        const int64_t difference = int64_t{w.IntegerValue(Box::EndLine)} - w.IntegerValue(Box::StartLine);
        const int64_t steps = difference + 1;
        if (difference < INT32_MIN || difference > INT32_MAX || steps > INT32_MAX) throw Error(text::IntegerOverflow);
        if (steps < 0) throw Error("TProgressBar property out of range");
        const int32_t bps = w.state.Layout.BytesPerSample;
        const bool ignore = w.isChecked(Choice::IgnoreNonDataValue);
        const NonDataTest test = MakeNonDataTest(w, ignore);
        SampleReader reader(w);
        const int32_t band = w.IntegerValue(Box::BandNum);
        bool any = false;
        long double min = 0, max = 0;
        const int32_t startLine = w.IntegerValue(Box::StartLine), endLine = w.IntegerValue(Box::EndLine);
        const int32_t startSample = w.IntegerValue(Box::StartSample), endSample = w.IntegerValue(Box::EndSample);
        if (endSample < startSample) return result;
        for (int64_t line = startLine; line <= endLine; ++line)
            for (int64_t s = startSample; s <= endSample; ++s) {
                const long double v = reader.ReadDataValue(static_cast<int32_t>(line), band, static_cast<int32_t>(s));
                if (std::isnan(v) || IsNonDataValue(test, v, bps, ignore)) continue;
                if (!any || v < min) min = v;
                if (!any || v > max) max = v;
                any = true;
            }
        if (!any) return result;
        const bool real = w.state.LastValueIsReal;
        result.minText = real ? FormatRealValue(min, bps) : formatInteger(roundToInt64(min));
        result.maxText = real ? FormatRealValue(max, bps) : formatInteger(roundToInt64(max));
    } catch (const std::exception& e) {
        result.error = errorBoxText(e.what());
    }
    return result;
}

Reference pointByPoint(FuzzWindow& w, const BoxTexts& before)
{
    const BoxTexts after = boxTexts(w);
    for (int i = 0; i < boxCount; ++i) w.setBoxText(static_cast<Box>(i), before[static_cast<size_t>(i)]);
    const Reference result = readPointByPoint(w);
    for (int i = 0; i < boxCount; ++i) w.setBoxText(static_cast<Box>(i), after[static_cast<size_t>(i)]);
    return result;
}

int64_t areaPoints(FuzzWindow& w)
{
    const int64_t lines = int64_t{w.IntegerValue(Box::EndLine)} - w.IntegerValue(Box::StartLine) + 1;
    const int64_t samples = int64_t{w.IntegerValue(Box::EndSample)} - w.IntegerValue(Box::StartSample) + 1;
    return lines <= 0 || samples <= 0 ? 0 : lines * samples;
}

bool loggedSince(const FuzzWindow& w, size_t logBefore, const std::string& start)
{
    for (size_t i = logBefore; i < w.log().size(); ++i)
        if (w.log()[i].rfind(start, 0) == 0) return true;
    return false;
}

void checkStatistics(FuzzWindow& w, const BoxTexts& before, size_t errorsBefore, size_t logBefore)
{
    if (w.aborted() || areaPoints(w) > 20000) return;
    const bool failed = w.errors().size() > errorsBefore;
    const bool extremes = loggedSince(w, logBefore, "Min data: ");
    const bool noData = loggedSince(w, logBefore, "No data point in the area");
    // Unsupported bits per sample end the operation before it reads.
    if (!failed && !extremes && !noData) return;
    const std::string minBox = w.boxText(Box::MinData), maxBox = w.boxText(Box::MaxData);
    const Reference ref = pointByPoint(w, before);
    if (failed) {
        require(ref.error == w.errors().back(),
                "statistics failed with \"" + w.errors().back() + "\", reading point by point gives \"" +
                    ref.error + "\"");
        return;
    }
    require(ref.error.empty(), "statistics succeeded where reading point by point fails: " + ref.error);
    require(noData == ref.minText.empty(), "statistics and reading point by point disagree on data");
    if (noData) return;
    require(minBox == ref.minText && maxBox == ref.maxText,
            "statistics gave " + minBox + " .. " + maxBox + ", point by point " + ref.minText + " .. " +
                ref.maxText);
}

using Handler = void (MainWindow::*)();

// With SKELDRA_FUZZ_VERBOSE set, a replayed input shows what it sets up.
void describe(FuzzWindow& w, const std::vector<int>& chosen, size_t fileBytes)
{
    if (!std::getenv("SKELDRA_FUZZ_VERBOSE")) return;
    for (int i = 0; i < boxCount; ++i)
        std::fprintf(stderr, "box %d = \"%s\"\n", i, w.boxText(static_cast<Box>(i)).c_str());
    for (int i = 0; i < choiceCount; ++i)
        if (w.isChecked(static_cast<Choice>(i))) std::fprintf(stderr, "checked %d\n", i);
    for (int op : chosen) std::fprintf(stderr, "operation %d\n", op);
    std::fprintf(stderr, "file of %zu bytes, abort at pump %d\n", fileBytes, w.abortAtPump);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    FuzzWindow window;
    setLayout(window, input);
    setArea(window, input);
    window.abortAtPump = input.ConsumeIntegralInRange(0, 6);
    window.samplesPerRun = input.ConsumeIntegralInRange<int64_t>(1, 64);
    const int operations = input.ConsumeIntegralInRange(1, 4);
    std::vector<int> chosen;
    for (int i = 0; i < operations; ++i) chosen.push_back(input.ConsumeIntegralInRange(0, 4));
    const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
    window.state.InputFilename = fuzzing::writeInputFile(bytes.data(), bytes.size());
    const std::string output = fuzzing::fuzzFolder() + "/output.out";
    std::filesystem::remove(output);
    window.saveDialogAnswer = output;

    describe(window, chosen, bytes.size());
    static const Handler handlers[] = {&MainWindow::RetrievePoint_ButtonClick, &MainWindow::Histogram_ButtonClick,
                                       &MainWindow::ResetArea_ButtonClick, &MainWindow::ConvertFile_ButtonClick,
                                       &MainWindow::Preview_ButtonClick};
    const int descriptors = openDescriptors();
    for (int op : chosen) {
        const size_t errorsBefore = window.errors().size();
        const size_t logBefore = window.log().size();
        const BoxTexts before = boxTexts(window);
        const bool outputExisted = std::filesystem::exists(output);
        const std::vector<uint8_t> outputBefore = fuzzing::readWholeFile(output);
        window.run(handlers[op]);
        if (op == 1) checkStatistics(window, before, errorsBefore, logBefore);
        require(openDescriptors() == descriptors, "a file descriptor was left open");
        require(fuzzing::readWholeFile(window.state.InputFilename) == bytes, "the input file changed");
        for (const std::string& name : folderEntries())
            require(name == "input.img" || name == "output.out", "a stray file was left: " + name);
        // A failed conversion leaves the target as it found it.
        if (op == 3 && window.errors().size() > errorsBefore)
            require(std::filesystem::exists(output) == outputExisted && fuzzing::readWholeFile(output) == outputBefore,
                    "a failed conversion changed its output file");
    }
    return 0;
}
