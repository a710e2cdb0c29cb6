// SPDX-License-Identifier: BSD-3-Clause
// Find Layout through the scripted window: the candidate chosen in the list
// is what the form then reads, Cancel and Abort change no box, and a search
// that finds nothing says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "discover/Discovery.h"
#include "raster/FormatParameters.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/FindLayout.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::ScriptedWindow;
using testing::TempDir;

// 300 lines of 3 bands BIL, 517 big-endian 16-bit samples each, every line
// behind a 4-byte line number, after a 2048-byte text header: a smooth
// surface, so that discovery offers several layouts.
std::vector<uint8_t> bilFile()
{
    std::vector<uint8_t> bytes(2048, ' ');
    const std::string text = "SOURCE = TEST\r\nEND\r\n";
    std::copy(text.begin(), text.end(), bytes.begin());
    for (int line = 0; line < 300; ++line) {
        for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<uint8_t>(line >> shift));
        for (int band = 0; band < 3; ++band)
            for (int sample = 0; sample < 517; ++sample) {
                const double value = 1000 + 700 * std::sin(line / 37.0 + band) * std::cos(sample / 53.0) +
                                     250 * std::sin((line + 2 * sample) / 91.0 + 2 * band) + (sample * 7 + line) % 5;
                const auto v = static_cast<uint16_t>(std::lround(value));
                bytes.push_back(static_cast<uint8_t>(v >> 8));
                bytes.push_back(static_cast<uint8_t>(v));
            }
    }
    return bytes;
}

// Box texts set and buttons checked so far, to show that nothing changed.
std::ptrdiff_t controlChanges(const ScriptedWindow& window)
{
    return std::count_if(window.events.begin(), window.events.end(), [](const testing::Event& event) {
        return event.kind == testing::Event::Kind::BoxText || event.kind == testing::Event::Kind::Check;
    });
}

bool logHas(const std::vector<std::string>& log, const std::string& line)
{
    return std::find(log.begin(), log.end(), line) != log.end();
}

class FindLayoutTest : public ::testing::Test {
protected:
    // Discovery takes most of a second, so the file, the candidates and a
    // cancelled run are made once for all tests.
    struct Reference {
        TempDir dir;
        std::string path;
        Discovery found;
        int pumps = 0;
        std::vector<CandidateView> shown;
        bool unchanged = false;
        std::vector<std::string> log;
    };

    static void SetUpTestSuite()
    {
        reference = new Reference;
        reference->path = reference->dir.write("bil.raw", bilFile());
        reference->found = discoverLayout(reference->path);
        ScriptedWindow window;
        MainWindow main(window);
        main.FormCreate();
        window.state.InputFilename = reference->path;
        const std::ptrdiff_t before = controlChanges(window);
        main.FindLayout_ButtonClick();
        reference->pumps = window.pumps();
        reference->shown = window.candidatesShown();
        reference->unchanged = controlChanges(window) == before;
        reference->log = window.log();
    }
    static void TearDownTestSuite() { delete reference; }

    void SetUp() override
    {
        main.FormCreate();
        window.state.InputFilename = reference->path;
    }

    static Reference* reference;
    ScriptedWindow window;
    MainWindow main{window};
};

FindLayoutTest::Reference* FindLayoutTest::reference = nullptr;

class ChosenCandidate : public FindLayoutTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ChosenCandidate, IsWhatTheFormReads)
{
    const std::vector<Candidate>& candidates = reference->found.candidates;
    ASSERT_GT(candidates.size(), GetParam());
    const CandidateLayout& chosen = candidates[GetParam()].layout;
    window.candidateAnswer = GetParam();

    main.FindLayout_ButtonClick();

    ASSERT_EQ(window.candidatesShown().size(), std::min(candidates.size(), candidatesOffered));
    EXPECT_TRUE(window.errors().empty());
    const RasterLayout expected = rasterLayout(chosen);

    // The band group shows the boxes of the structure chosen, before any
    // other operation reads the boxes.
    const BandStructure structure = expected.Structure;
    EXPECT_EQ(window.isBoxVisible(Box::NumBands), structure != BandStructure::None);
    EXPECT_EQ(window.isBoxVisible(Box::NumBandPadBytes), structure == BandStructure::BIL);
    EXPECT_EQ(window.isBoxVisible(Box::NumSingleImageLines), structure == BandStructure::BSQ);
    EXPECT_EQ(window.bandGroupHeight(), structure == BandStructure::None ? 40 : 100);

    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(window.state.Layout, expected);
    EXPECT_EQ(window.isChecked(Choice::ReverseBytes), chosen.encoding.msbFirst);
    EXPECT_EQ(window.isChecked(Choice::SignedInteger), chosen.encoding.format == DataFormat::SignedInteger);
    EXPECT_EQ(window.boxText(Box::EndLine), std::to_string(chosen.lines));

    const std::string source = " (candidate " + std::to_string(GetParam() + 1) + ")";
    EXPECT_TRUE(logHas(window.log(), "Samples per line = " + std::to_string(chosen.samplesPerLine) + source));
    EXPECT_TRUE(logHas(window.log(), "Lines = " + std::to_string(chosen.lines) + source));
    EXPECT_TRUE(logHas(window.log(), "Line pad = " + std::to_string(chosen.linePad) + source));
}

INSTANTIATE_TEST_SUITE_P(Rows, ChosenCandidate, ::testing::Values(0, 2));

TEST_F(FindLayoutTest, CancelChangesNoBoxAfterOfferingPictures)
{
    ASSERT_FALSE(reference->shown.empty());
    const GrayPicture& best = reference->shown.front().picture;
    EXPECT_EQ(std::max(best.Width, best.Height), candidatePictureSize);
    EXPECT_NE(*std::min_element(best.Gray.begin(), best.Gray.end()),
              *std::max_element(best.Gray.begin(), best.Gray.end()));
    EXPECT_TRUE(reference->unchanged);
    EXPECT_TRUE(logHas(reference->log, "No candidate chosen; nothing changed"));
}

// Runs that offer nothing: an Abort at a pump (the scripted window pumps
// once while the search runs, then once before each picture; 0 is the last
// pump), a file without a plausible layout, a file that cannot be opened.
struct NothingOffered {
    const char* name;
    const char* file;  // in the test's folder; "" for the reference file
    const char* text;  // written to the file; nullptr: none
    int abortAtPump;   // -1: never
    std::string logLine;
    std::vector<std::string> errors;
};

class OffersNothing : public FindLayoutTest, public ::testing::WithParamInterface<NothingOffered> {};

TEST_P(OffersNothing, AndChangesNoBox)
{
    const NothingOffered& c = GetParam();
    TempDir dir;
    if (*c.file != '\0') window.state.InputFilename = dir.file(c.file);
    if (c.text != nullptr) dir.write(c.file, std::string(c.text));
    if (c.abortAtPump >= 0)
        window.atPump(c.abortAtPump > 0 ? c.abortAtPump : reference->pumps, [&] { main.Abort_ButtonClick(); });
    window.candidateAnswer = 0;
    const std::ptrdiff_t before = controlChanges(window);

    main.FindLayout_ButtonClick();

    EXPECT_TRUE(window.candidatesShown().empty());
    EXPECT_EQ(controlChanges(window), before);
    EXPECT_FALSE(window.progressVisible());
    EXPECT_FALSE(window.abortVisible());
    EXPECT_EQ(window.errors(), c.errors);
    if (!c.logLine.empty()) EXPECT_TRUE(logHas(window.log(), c.logLine));
}

const std::string stopped = "Find Layout stopped; nothing changed";

INSTANTIATE_TEST_SUITE_P(
    Cases, OffersNothing,
    ::testing::Values(NothingOffered{"AbortDuringTheSearch", "", nullptr, 1, stopped, {}},
                      NothingOffered{"AbortBeforeTheFirstPicture", "", nullptr, 2, stopped, {}},
                      NothingOffered{"AbortBeforeTheLastPicture", "", nullptr, 0, stopped, {}},
                      NothingOffered{"NoPlausibleLayout", "words.txt", "A few words and nothing else.\n", -1,
                                     "No layout to offer; nothing changed", {}},
                      NothingOffered{"FileMissing", "missing.img", nullptr, -1, "", {"File not found."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FindLayoutTest, TheVerdictOfAFruitlessSearchIsLogged)
{
    TempDir dir;
    window.state.InputFilename = dir.write("words.txt", std::string("A few words and nothing else.\n"));
    main.FindLayout_ButtonClick();
    const std::string verdict = discoverLayout(window.state.InputFilename).verdict;
    ASSERT_FALSE(verdict.empty());
    EXPECT_TRUE(logHas(window.log(), verdict));
}

struct PictureCase {
    const char* name;
    CandidateLayout layout;
    bool drawn;
};

class CandidatePicture : public FindLayoutTest, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(CandidatePicture, IsDrawnOnlyWhenThePreviewSucceeds)
{
    const GrayPicture picture = candidatePicture(reference->path, GetParam().layout);
    EXPECT_EQ(!picture.empty(), GetParam().drawn);
    EXPECT_EQ(picture.Gray.size(), static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height));
}

CandidateLayout bilLayout(int64_t lines)
{
    return {2052, 517, lines, {2, DataFormat::UnsignedInteger, true}, 3, BandStructure::BIL, 4, 0, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CandidatePicture,
    ::testing::Values(PictureCase{"TheTrueLayout", bilLayout(300), true},
                      PictureCase{"LinesPastTheEndOfTheFile", bilLayout(600), false},
                      PictureCase{"HeaderPastTheEndOfTheFile",
                                  {2000000, 517, 10, {1}, 1, BandStructure::None, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skeldra
