// SPDX-License-Identifier: BSD-3-Clause
// The BMP headers field by field, the colour table, row padding and the
// 24-bit file of a preview picture.
#include <gtest/gtest.h>

#include "output/BmpFile.h"
#include "support/ErrorText.h"

namespace skeldra {
namespace {

using testing::errorOf;
using Bytes = std::vector<uint8_t>;

uint32_t dwordAt(const Bytes& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

TEST(GrayBmp, HeaderOfTwoByTwo)
{
    const Bytes header = grayBmpHeader(grayBmpRows(2, 2));
    ASSERT_EQ(header.size(), 1078u);
    const Bytes expected = {0x42, 0x4D, 0x3E, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x04, 0x00, 0x00,
                            0x28, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
                            0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
                            0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(header.begin(), header.begin() + 54), expected);
}

TEST(GrayBmp, ColourTableIsGrayRamp)
{
    const Bytes header = grayBmpHeader(grayBmpRows(1, 1));
    for (int i = 0; i < 256; ++i) {
        const size_t at = 54 + 4 * static_cast<size_t>(i);
        EXPECT_EQ(Bytes(header.begin() + at, header.begin() + at + 4),
                  (Bytes{uint8_t(i), uint8_t(i), uint8_t(i), 0}))
            << "entry " << i;
    }
}

TEST(GrayBmp, RowsPadToFourBytes)
{
    const struct { int32_t width, pad, stride; } cases[] = {{1, 3, 4}, {2, 2, 4}, {3, 1, 4}, {4, 0, 4}, {5, 3, 8}};
    for (const auto& c : cases) {
        const BmpRows rows = grayBmpRows(c.width, 3);
        EXPECT_EQ(rows.RowPadBytes, c.pad) << "width " << c.width;
        EXPECT_EQ(rows.RowStride, c.stride) << "width " << c.width;
        EXPECT_EQ(rows.PixelBytes, 3 * c.stride);
        EXPECT_EQ(rows.FileSize, 1078 + 3 * c.stride);
        const Bytes header = grayBmpHeader(rows);
        EXPECT_EQ(dwordAt(header, 2), static_cast<uint32_t>(rows.FileSize));
        EXPECT_EQ(dwordAt(header, 34), static_cast<uint32_t>(rows.PixelBytes));
    }
}

TEST(GrayBmp, SizeBeyondTheHeaderFieldsIsRefused)
{
    // 1078 + 4 * 536870648 = 2147483670 > 2^31 - 1; one row less still fits.
    EXPECT_EQ(errorOf([] { grayBmpRows(4, 536870648); }), "Integer overflow");
    EXPECT_EQ(errorOf([] { grayBmpRows(4, 536870642); }), "");
    EXPECT_EQ(errorOf([] { grayBmpRows(2147483647, 1); }), "Integer overflow");
    EXPECT_EQ(grayBmpRows(7, 0).FileSize, 1078);
}

TEST(BgrBmp, RowsBottomUpPaddedAfterThreeBytesAPixel)
{
    PreviewPicture picture;
    picture.Width = 2;
    picture.Height = 2;
    picture.Bgr = {1, 2, 3, 4, 5, 6,  // top row
                   7, 8, 9, 10, 11, 12};
    const Bytes file = encodeBgrBmp(picture);
    ASSERT_EQ(file.size(), 54u + 2 * 8);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(dwordAt(file, 2), 70u);
    EXPECT_EQ(dwordAt(file, 10), 54u);
    EXPECT_EQ(dwordAt(file, 14), 40u);
    EXPECT_EQ(dwordAt(file, 18), 2u);
    EXPECT_EQ(dwordAt(file, 22), 2u);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(dwordAt(file, 34), 16u);
    const Bytes pixels(file.begin() + 54, file.end());
    EXPECT_EQ(pixels, (Bytes{7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0}));
}

}  // namespace
}  // namespace skeldra
