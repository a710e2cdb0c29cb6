// SPDX-License-Identifier: BSD-3-Clause
// A cube whose label declares tiles: no search for lines can find its
// layout, so the label's layout comes first, tiles included, and the
// verdict says why the layouts found from the samples are not to be trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "discover/Discovery.h"
#include "support/TempFiles.h"

namespace skeldra {
namespace {

// A smooth 16-bit picture of 200 x 150 samples in tiles of 64 x 64, after
// an ISIS3 label of 1024 bytes.
std::string tiledCube()
{
    std::string file = "Object = IsisCube\n Object = Core\n  StartByte = 1025\n  Format = Tile\n"
                       "  TileSamples = 64\n  TileLines = 64\n  Group = Dimensions\n   Samples = 200\n"
                       "   Lines = 150\n   Bands = 1\n  End_Group\n  Group = Pixels\n   Type = SignedWord\n"
                       "   ByteOrder = Lsb\n  End_Group\n End_Object\nEnd_Object\nEnd\n";
    file.resize(1024, ' ');
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            for (int l = row * 64; l < row * 64 + 64; ++l)
                for (int s = column * 64; s < column * 64 + 64; ++s) {
                    const auto v = static_cast<int16_t>(
                        l < 150 && s < 200 ? 3000 * std::sin(s / 23.0) * std::cos(l / 17.0) : -32768);
                    file += static_cast<char>(v & 0xFF);
                    file += static_cast<char>((v >> 8) & 0xFF);
                }
    return file;
}

TEST(TiledLabel, ItsLayoutComesFirstWithTheTiles)
{
    testing::TempDir dir;
    const Discovery found = discoverLayout(dir.write("t.cub", tiledCube()));
    ASSERT_FALSE(found.candidates.empty());
    const Candidate& first = found.candidates.front();
    EXPECT_EQ(first.layout.tileSamples, 64);
    EXPECT_EQ(first.layout.tileLines, 64);
    EXPECT_EQ(first.layout.headerBytes, 1024);
    EXPECT_EQ(first.layout.samplesPerLine, 200);
    EXPECT_NE(first.evidence.find("stored in tiles of 64 x 64 samples"), std::string::npos) << first.evidence;
    const std::vector<std::string> options = layoutOptions(first.layout);
    EXPECT_NE(std::find(options.begin(), options.end(), "--tile-samples"), options.end());
    EXPECT_EQ(found.verdict, "The ISIS3 label declares tiles of 64 x 64 samples: the other layouts, found as lines "
                             "of samples, read the tiles as lines");
}

}  // namespace
}  // namespace skeldra
