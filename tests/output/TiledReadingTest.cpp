// SPDX-License-Identifier: BSD-3-Clause
// A band stored in tiles reads as the same band stored in lines: every
// operation gives the same log, boxes, output bytes and picture, whether
// its rows cross tiles, start inside one, or end in the padded edge tiles.
#include <gtest/gtest.h>

#include <functional>

#include "OutputHarness.h"

namespace skeldra {
namespace {

using namespace testing;

constexpr int samples = 37, lines = 29, bands = 2;
constexpr int tileSamples = 8, tileLines = 6;  // 5 x 5 tiles, the right and bottom ones partly padding

int16_t valueAt(int band, int line, int sample)
{
    return static_cast<int16_t>((band * 7919 + line * 613 + sample * 97 + line * sample * 31) % 6007 - 3000);
}

void append(Bytes& bytes, int16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

Bytes inLines()
{
    Bytes bytes;
    for (int b = 1; b <= bands; ++b)
        for (int l = 1; l <= lines; ++l)
            for (int s = 1; s <= samples; ++s) append(bytes, valueAt(b, l, s));
    return bytes;
}

// The padding holds a value beyond the picture's, which must never show.
Bytes inTiles()
{
    Bytes bytes;
    for (int b = 1; b <= bands; ++b)
        for (int tileRow = 0; tileRow * tileLines < lines; ++tileRow)
            for (int tileColumn = 0; tileColumn * tileSamples < samples; ++tileColumn)
                for (int l = tileRow * tileLines + 1; l <= (tileRow + 1) * tileLines; ++l)
                    for (int s = tileColumn * tileSamples + 1; s <= (tileColumn + 1) * tileSamples; ++s)
                        append(bytes, l <= lines && s <= samples ? valueAt(b, l, s) : int16_t{32000});
    return bytes;
}

struct Outcome {
    Lines log;
    std::vector<std::string> errors;
    std::string minData, maxData;
    Bytes output;
    std::optional<PreviewPicture> picture;
};

using Operation = std::function<void(OutputHarness&)>;

Outcome run(const Bytes& file, bool tiled, const BoxTexts& boxes, const std::vector<Choice>& choices,
            const Operation& operation)
{
    BoxTexts layout{{Box::BitsPerSample, "16"},      {Box::NumBands, "2"}, {Box::NumSingleImageLines, "29"},
                    {Box::MinData, "-3000"},         {Box::MaxData, "3000"}};
    if (tiled) layout.insert(layout.end(), {{Box::TileSamples, "8"}, {Box::TileLines, "6"}});
    layout.insert(layout.end(), boxes.begin(), boxes.end());
    std::vector<Choice> all{Choice::BSQ, Choice::SignedInteger};
    all.insert(all.end(), choices.begin(), choices.end());
    OutputHarness h(file, samples, lines, layout, all);
    h.window.pumpEverySample = false;
    operation(h);
    Lines log = h.window.eventTexts(Event::Kind::Log);
    for (std::string& line : log)  // each run writes into a folder of its own
        if (const size_t at = line.find(h.output); at != std::string::npos) line.replace(at, h.output.size(), "OUT");
    return {log, h.window.errors(), h.window.boxText(Box::MinData), h.window.boxText(Box::MaxData),
            readFile(h.output), h.window.preview()};
}

struct TiledCase {
    const char* name;
    BoxTexts boxes;
    std::vector<Choice> choices;
    Operation operation;
};

void PrintTo(const TiledCase& c, std::ostream* out) { *out << c.name; }

class TiledReading : public ::testing::TestWithParam<TiledCase> {};

TEST_P(TiledReading, GivesWhatTheLinesGive)
{
    const TiledCase& c = GetParam();
    const Outcome plain = run(inLines(), false, c.boxes, c.choices, c.operation);
    const Outcome tiled = run(inTiles(), true, c.boxes, c.choices, c.operation);
    EXPECT_TRUE(plain.errors.empty()) << plain.errors.front();
    EXPECT_EQ(tiled.errors, plain.errors);
    EXPECT_EQ(tiled.log, plain.log);
    EXPECT_EQ(tiled.minData, plain.minData);
    EXPECT_EQ(tiled.maxData, plain.maxData);
    EXPECT_EQ(tiled.output, plain.output);
    ASSERT_EQ(tiled.picture.has_value(), plain.picture.has_value());
    if (plain.picture) EXPECT_EQ(tiled.picture->Bgr, plain.picture->Bgr);
}

const Operation histogram = [](OutputHarness& h) { h.main.Histogram_ButtonClick(); };
const Operation convert = [](OutputHarness& h) { h.main.ConvertFile_ButtonClick(); };
const Operation preview = [](OutputHarness& h) { h.main.Preview_ButtonClick(); };
const Operation point = [](OutputHarness& h) { h.main.RetrievePoint_ButtonClick(); };
const Operation reset = [](OutputHarness& h) { h.main.ResetArea_ButtonClick(); };

const BoxTexts band2{{Box::BandNum, "2"}};
// Rows that start and end inside tiles, lines that start and end inside rows of tiles.
const BoxTexts inner{{Box::BandNum, "2"},     {Box::StartLine, "5"},     {Box::EndLine, "23"},
                     {Box::StartSample, "7"}, {Box::EndSample, "30"}};

INSTANTIATE_TEST_SUITE_P(
    Operations, TiledReading,
    ::testing::Values(TiledCase{"stats", band2, {}, histogram},
                      TiledCase{"stats_inside_tiles_clipped", [] { BoxTexts b = inner; b.push_back({Box::ClipPercent, "10"}); return b; }(), {}, histogram},
                      TiledCase{"stats_listed", inner, {Choice::ListPoints}, histogram},
                      TiledCase{"bmp_turned_about_an_origin", {{Box::BandNum, "2"}, {Box::OriginSample, "20"}}, {}, convert},
                      TiledCase{"text_inside_tiles", inner, {Choice::TextOutput}, convert},
                      TiledCase{"tiff", band2, {Choice::TIFFOutput}, convert},
                      TiledCase{"png16", inner, {Choice::PNG16Output}, convert},
                      TiledCase{"reduced_preview", {{Box::BandNum, "2"}, {Box::MaxPreviewDimension, "10"}}, {}, preview},
                      TiledCase{"auto_preview", inner, {Choice::AutoStretchPreview}, preview},
                      TiledCase{"point_in_the_corner_tile", {{Box::BandNum, "2"}, {Box::Line, "29"}, {Box::Sample, "37"}}, {}, point},
                      TiledCase{"reset", band2, {}, reset}),
    [](const auto& info) { return std::string(info.param.name); });

// A file cut inside its last row of tiles: the rows of tiles before the cut
// read, and reading into the cut gives the error of the first missing byte.
TEST(TiledReading, AFileCutShortFailsWhereItEnds)
{
    Bytes cut = inTiles();
    cut.resize(cut.size() / bands - 100);  // band 1 without the end of its last row of tiles
    const BoxTexts whole{{Box::BandNum, "1"}};
    const BoxTexts whereItHolds{{Box::BandNum, "1"}, {Box::EndLine, "24"}};
    EXPECT_EQ(run(cut, true, whole, {}, histogram).errors, std::vector<std::string>{"Read beyond end of file."});
    const Outcome held = run(cut, true, whereItHolds, {}, histogram);
    EXPECT_TRUE(held.errors.empty());
    EXPECT_EQ(held.log, run(inLines(), false, whereItHolds, {}, histogram).log);
}

// No header of another tool can describe tiles: each refuses them with its
// reason, and no file is written.
TEST(TiledReading, LayoutHeadersRefuseTiles)
{
    const std::pair<LayoutKind, const char*> kinds[] = {
        {LayoutKind::Vrt, "A GDAL VRT cannot describe a tiled layout: its raw bands are read line after line."},
        {LayoutKind::Envi, "An ENVI header cannot describe a tiled layout: ENVI stores bands as BSQ, BIL or BIP lines."},
        {LayoutKind::Pds3, "A PDS3 label cannot describe a tiled layout: a PDS3 IMAGE object stores lines."}};
    for (const auto& [kind, error] : kinds) {
        const Outcome outcome = run(inTiles(), true, {}, {}, [kind = kind](OutputHarness& h) {
            h.window.saveDialogAnswer = h.output = h.dir.file(std::string("t") + layoutExtension(kind));
            h.main.SaveLayout_ButtonClick(kind);
        });
        EXPECT_EQ(outcome.errors, std::vector<std::string>{error});
        EXPECT_TRUE(outcome.output.empty());
    }
}

}  // namespace
}  // namespace skeldra
