// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "discover/ByteAccount.h"
#include "discover/ExplainFile.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::TempDir;

// A smooth 8-bit surface, row by row, as image data looks.
std::string smoothRow(int width, int row)
{
    std::string bytes;
    for (int x = 0; x < width; ++x)
        bytes += static_cast<char>(128 + 90 * std::sin(x / 9.0) * std::cos(row / 7.0));
    return bytes;
}

AccountLayout eightBit(BandStructure structure, int64_t header, int64_t samples, int64_t bands)
{
    AccountLayout layout;
    layout.headerBytes = header;
    layout.samples = samples;
    layout.bands = bands;
    layout.structure = structure;
    layout.format = SampleFormat{SampleKind::U8, false};
    return layout;
}

struct Expected {
    RegionRole role;
    int64_t bytes;
    int64_t pieces;
};

struct AccountCase {
    std::string name;
    std::string file;
    AccountLayout layout;
    std::vector<Expected> regions;
    std::vector<std::string> flags;  // a part of each flag, in order
};

// Every byte once: the regions cover the file, less what the layout needs beyond it.
void expectEveryByteOnce(const ByteAccount& account)
{
    int64_t placed = 0;
    int64_t missing = 0;
    for (const Region& region : account.regions)
        (region.role == RegionRole::Missing ? missing : placed) += region.bytes;
    EXPECT_EQ(placed - missing, account.fileSize);
    for (std::size_t i = 1; i < account.regions.size(); ++i)
        EXPECT_LE(account.regions[i - 1].first, account.regions[i].first);
}

// One band of 8-bit samples (a smooth surface) in tiles, row of tiles after
// row of tiles; the padding of the edge tiles is 0.
std::string tiledBand(int samples, int lines, int tileSamples, int tileLines, int tileRows)
{
    std::string bytes;
    const int tilesAcross = (samples + tileSamples - 1) / tileSamples;
    for (int row = 0; row < tileRows; ++row)
        for (int column = 0; column < tilesAcross; ++column)
            for (int l = row * tileLines; l < (row + 1) * tileLines; ++l)
                for (int s = column * tileSamples; s < (column + 1) * tileSamples; ++s)
                    bytes += l < lines && s < samples ? smoothRow(samples, l)[static_cast<size_t>(s)] : '\0';
    return bytes;
}

std::vector<AccountCase> accountCases()
{
    std::vector<AccountCase> cases;
    {  // BSQ tiles of 4 x 3 over 10 x 7 samples: 9 tiles a band, 5 of them at an edge; gap 5.
        AccountLayout layout = eightBit(BandStructure::BSQ, 16, 10, 2);
        layout.lines = 7;
        layout.gap = 5;
        layout.tileSamples = 4;
        layout.tileLines = 3;
        const std::string band = tiledBand(10, 7, 4, 3, 3) + "ggggg";
        cases.push_back({"TilesWithTheirEdgePadding", std::string(16, 'h') + band + band, layout,
                         {{RegionRole::Header, 16, 1},
                          {RegionRole::Samples, 70, 9},
                          {RegionRole::TilePadding, 76, 10},
                          {RegionRole::Gaps, 10, 2},
                          {RegionRole::Samples, 70, 9}},
                         {}});
    }
    {  // Without bands the rows of tiles come from the size: 2 of them, 6 lines.
        AccountLayout layout = eightBit(BandStructure::None, 0, 10, 1);
        layout.tileSamples = 4;
        layout.tileLines = 3;
        cases.push_back({"RowsOfTilesFromTheSize", tiledBand(10, 6, 4, 3, 2) + "xyzzy", layout,
                         {{RegionRole::Samples, 60, 6}, {RegionRole::TilePadding, 12, 2}, {RegionRole::LeftOver, 5, 1}},
                         {}});
    }
    {  // A label, then records that start with a 12-byte prefix, then 37 zero bytes.
        std::string file = std::string("PDS_VERSION_ID = PDS3\r\nRECORD_BYTES = 112\r\nEND\r\n");
        file.resize(224, ' ');
        for (int line = 0; line < 30; ++line) file += std::string(12, static_cast<char>(line)) + smoothRow(100, line);
        file += std::string(37, '\0');
        AccountLayout layout = eightBit(BandStructure::BSQ, 236, 100, 1);
        layout.lines = 30;
        layout.linePad = 12;
        layout.linePrefix = 12;
        cases.push_back({"LabelPrefixesAndLeftOver", file, layout,
                         {{RegionRole::Label, 48, 1},
                          {RegionRole::Header, 176, 1},
                          {RegionRole::LinePrefixes, 360, 30},
                          {RegionRole::Samples, 3000, 30},
                          {RegionRole::LeftOver, 37, 1}},
                         {}});
    }
    {  // BIL, 2 bands, band pad 2, line pad 3 of constant bytes; lines from the size.
        std::string file(10, 'h');
        for (int line = 0; line < 5; ++line)
            file += smoothRow(20, line) + "pp" + smoothRow(20, line + 9) + "pp" + "qqq";
        file += "xy";
        AccountLayout layout = eightBit(BandStructure::BIL, 10, 20, 2);
        layout.bandPad = 2;
        layout.linePad = 3;
        cases.push_back({"BilPadsCountedPerLine", file, layout,
                         {{RegionRole::Header, 10, 1},
                          {RegionRole::Samples, 100, 5},
                          {RegionRole::BandPads, 20, 10},
                          {RegionRole::Samples, 100, 5},
                          {RegionRole::LinePads, 15, 5},
                          {RegionRole::LeftOver, 2, 1}},
                         {}});
    }
    {  // BSQ, 2 bands of 4 lines, gap 6 whose bytes vary.
        std::string file;
        for (int band = 0; band < 2; ++band) {
            for (int line = 0; line < 4; ++line) file += smoothRow(16, line);
            file += band == 0 ? "abcdef" : "uvwxyz";
        }
        AccountLayout layout = eightBit(BandStructure::BSQ, 0, 16, 2);
        layout.lines = 4;
        layout.gap = 6;
        cases.push_back({"BsqGapsThatVaryAreFlagged", file, layout,
                         {{RegionRole::Samples, 64, 4},
                          {RegionRole::Gaps, 12, 2},
                          {RegionRole::Samples, 64, 4}},
                         {"gaps are not constant"}});
    }
    {  // Three more lines of the same image after the lines the layout gives.
        std::string file;
        for (int line = 0; line < 13; ++line) file += smoothRow(64, line);
        AccountLayout layout = eightBit(BandStructure::BSQ, 0, 64, 1);
        layout.lines = 10;
        cases.push_back({"ImageDataLeftOverIsFlagged", file, layout,
                         {{RegionRole::Samples, 640, 10}, {RegionRole::LeftOver, 192, 1}},
                         {"image data: their values lie within the image's range and are as smooth as its rows, so the layout may "
                          "hold too few lines or bands. They would fill 3 more lines."}});
    }
    {  // The header stops short of the END line; the file lacks a line.
        std::string file = "LABEL = 1\nEND\n";
        for (int line = 0; line < 3; ++line) file += smoothRow(8, line);
        AccountLayout layout = eightBit(BandStructure::BSQ, 4, 8, 1);
        layout.lines = 5;
        cases.push_back({"HeaderInsideTheLabelAndAShortFile", file, layout,
                         {{RegionRole::Label, 4, 1}, {RegionRole::Samples, 40, 5}, {RegionRole::Missing, 6, 1}},
                         {"header ends inside the label", "6 bytes shorter"}});
    }
    {  // BIP: pixels of 3 bands; line pad; lines from the size.
        std::string file;
        for (int line = 0; line < 4; ++line) file += smoothRow(30, line) + std::string(2, '\0');
        AccountLayout layout = eightBit(BandStructure::BIP, 0, 10, 3);
        layout.linePad = 2;
        cases.push_back({"BipSamplesInterleaved", file, layout,
                         {{RegionRole::Samples, 40, 40},
                          {RegionRole::Samples, 40, 40},
                          {RegionRole::Samples, 40, 40},
                          {RegionRole::LinePads, 8, 4}},
                         {}});
    }
    {  // Many bands make one region, not one each.
        AccountLayout layout = eightBit(BandStructure::BSQ, 0, 4, 20);
        layout.lines = 2;
        cases.push_back({"ManyBandsInOneRegion", smoothRow(160, 0), layout, {{RegionRole::Samples, 160, 40}}, {}});
    }
    cases.push_back({"NoSamplesPlaced", "END\nabc", eightBit(BandStructure::None, 0, 0, 1),
                     {{RegionRole::Label, 4, 1}, {RegionRole::LeftOver, 3, 1}},
                     {"places no samples"}});
    return cases;
}

class Account : public ::testing::TestWithParam<AccountCase> {};

TEST_P(Account, NamesEachRegionWithItsCount)
{
    const AccountCase& c = GetParam();
    TempDir dir;
    const ByteAccount account = accountBytes(dir.write("f.img", c.file), c.layout);
    std::string seen;
    for (const Region& region : account.regions)
        seen += std::to_string(static_cast<int>(region.role)) + ":" + std::to_string(region.bytes) + "/" +
                std::to_string(region.pieces) + " ";
    std::string expected;
    for (const Expected& region : c.regions)
        expected += std::to_string(static_cast<int>(region.role)) + ":" + std::to_string(region.bytes) + "/" +
                    std::to_string(region.pieces) + " ";
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(account.flags.size(), c.flags.size()) << (account.flags.empty() ? "" : account.flags[0]);
    for (std::size_t i = 0; i < c.flags.size(); ++i)
        EXPECT_NE(account.flags[i].find(c.flags[i]), std::string::npos) << account.flags[i];
    if (c.layout.samples > 0) expectEveryByteOnce(account);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Account, ::testing::ValuesIn(accountCases()),
                         [](const auto& info) { return info.param.name; });

TEST(Account, TilesAndTheirPaddingAreNamed)
{
    TempDir dir;
    AccountLayout layout = eightBit(BandStructure::BSQ, 0, 10, 1);
    layout.lines = 7;
    layout.tileSamples = 4;
    layout.tileLines = 3;
    const std::vector<std::string> lines = describeAccount(accountBytes(dir.write("t.img", tiledBand(10, 7, 4, 3, 3)), layout));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Layout: 1 band (BSQ) of 7 lines of 10 samples of 1 byte; stored in tiles of 4 × 3 samples, "
                        "the edge tiles whole");
    EXPECT_EQ(lines[2], "Samples of band 1: 70 bytes (64.81 %), in 9 tiles of 12 bytes, the first at byte 0");
    EXPECT_EQ(lines[3], "Edge tile padding: 38 bytes (35.19 %), in 5 edge tiles, the first at byte 26, all 0x00");
}

struct LabelCase {
    std::string start;
    int64_t bytes;
};

class LabelText : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelText, RunsToTheEndLine)
{
    const LabelCase& c = GetParam();
    EXPECT_EQ(labelTextBytes(reinterpret_cast<const uint8_t*>(c.start.data()), c.start.size()), c.bytes) << c.start;
}

INSTANTIATE_TEST_SUITE_P(
    Starts, LabelText,
    ::testing::Values(LabelCase{"A = 1\r\nEND\r\n\0\1", 12}, LabelCase{"A = 1\n  end  \nB", 14},
                      LabelCase{"A = 1\rEND", 9}, LabelCase{"A = 1\nENDX\nEND_OBJECT\n", 0},
                      LabelCase{"A\0 = 1\nEND\n", 0}, LabelCase{"LBLSIZE=1024  FORMAT='BYTE'", 1024},
                      LabelCase{std::string("SIMPLE  =                    T").append(50, ' ') + "END" +
                                    std::string(77, ' ') + "\x01\x02",
                                160}));

TEST(ExplainFile, NamesTheLabelsLinePrefixesWhenTheBoxesHoldItsLayout)
{
    TempDir dir;
    std::string file =
        "PDS_VERSION_ID = PDS3\r\nRECORD_BYTES = 212\r\nLABEL_RECORDS = 2\r\n^IMAGE = 3\r\nOBJECT = IMAGE\r\n"
        "LINES = 20\r\nLINE_SAMPLES = 100\r\nSAMPLE_BITS = 16\r\nSAMPLE_TYPE = MSB_INTEGER\r\n"
        "LINE_PREFIX_BYTES = 12\r\nEND_OBJECT = IMAGE\r\nEND\r\n";
    const std::size_t labelBytes = file.size();
    file.resize(424, ' ');
    for (int line = 0; line < 20; ++line) file += std::string(12, 'p') + smoothRow(100, line) + smoothRow(100, line);
    file += std::string(37, '\0');
    testing::ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = dir.write("p.img", file);
    main.LayoutFromLabel_ButtonClick();
    main.Clear_ButtonClick();
    main.ExplainFile_ButtonClick();
    const std::vector<std::string> log = window.eventTexts(testing::Event::Kind::Log);
    const std::vector<std::string> wanted = {
        "Label text: " + std::to_string(labelBytes) + " bytes",
        "Header beyond the label: " + std::to_string(424 - labelBytes) + " bytes",
        "Line prefixes: 240 bytes", "Samples of band 1: 4000 bytes", "Left over at the end: 37 bytes"};
    std::size_t next = 0;
    for (const std::string& line : log)
        if (next < wanted.size() && line.rfind(wanted[next], 0) == 0) ++next;
    EXPECT_EQ(next, wanted.size()) << "missing: " << (next < wanted.size() ? wanted[next] : "") << "\nin:\n"
                                   << std::accumulate(log.begin(), log.end(), std::string(),
                                                      [](std::string a, const std::string& b) { return a + b + "\n"; });
    EXPECT_TRUE(window.eventTexts(testing::Event::Kind::Error).empty());
}

}  // namespace
}  // namespace skeldra
