// SPDX-License-Identifier: BSD-3-Clause
// PNG, 16-bit PNG and TIFF conversions, read back with libpng and libtiff:
// the 8-bit PNG holds the BMP's pixels, the 16-bit PNG the mapping with
// 65535 levels, the TIFF the raw values in their own type.
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

#include "output/GrayMapping.h"
#include "output/OutputHarness.h"

namespace skeldra {
namespace {

using namespace testing;

struct Picture {
    int width = 0, height = 0, depth = 0;
    std::vector<std::vector<uint16_t>> rows;
};

Picture readPng(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    Picture p{static_cast<int>(image.width), static_cast<int>(image.height),
              (image.format & PNG_FORMAT_FLAG_LINEAR) ? 16 : 8, {}};
    // Read as stored: no gamma conversion between 8 and 16 bits.
    image.format = p.depth == 16 ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_GRAY;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) << image.message;
    for (int r = 0; r < p.height; ++r) {
        std::vector<uint16_t> row(static_cast<size_t>(p.width));
        for (int c = 0; c < p.width; ++c) {
            if (p.depth == 16)
                std::memcpy(&row[c], bytes.data() + (static_cast<size_t>(r) * p.width + c) * 2, 2);
            else
                row[c] = bytes[static_cast<size_t>(r) * p.width + c];
        }
        p.rows.push_back(row);
    }
    return p;
}

struct TiffContents {
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, format = 0;
    std::string noData;
    std::vector<std::vector<long double>> rows;
};

TiffContents readTiff(const std::string& path)
{
    TIFFSetWarningHandler(nullptr);
    TiffContents t;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return t;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &t.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &t.height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &t.format);
    // Unknown to libtiff, the tag is read as an anonymous field: a count, then the text.
    uint32_t count = 0;
    const char* noData = nullptr;
    if (TIFFGetField(tif, 42113, &count, &noData) && noData) t.noData = std::string(noData, strnlen(noData, count));
    std::vector<uint8_t> line(static_cast<size_t>(TIFFScanlineSize(tif)));
    for (uint32_t r = 0; r < t.height; ++r) {
        TIFFReadScanline(tif, line.data(), r, 0);
        std::vector<long double> values;
        for (uint32_t c = 0; c < t.width; ++c) {
            const uint8_t* at = line.data() + c * (t.bits / 8);
            SampleKind kind = SampleKind::None;
            if (t.format == SAMPLEFORMAT_IEEEFP) kind = t.bits == 32 ? SampleKind::F32 : SampleKind::F64;
            else if (t.bits == 8) kind = SampleKind::U8;
            else if (t.bits == 16) kind = t.format == SAMPLEFORMAT_INT ? SampleKind::I16 : SampleKind::U16;
            else kind = t.format == SAMPLEFORMAT_INT ? SampleKind::I32 : SampleKind::U32;
            values.push_back(decodeSample(at, {kind, false}));
        }
        t.rows.push_back(values);
    }
    TIFFClose(tif);
    return t;
}

// 3 lines of 5 samples of one type, the non-data value 7 among them.
struct RasterCase {
    const char* name;
    std::string bits;
    std::vector<Choice> type;
    std::function<Bytes(const std::vector<long double>&)> encode;
    uint16_t tiffBits, tiffFormat;
    const char* noDataText;
};

void PrintTo(const RasterCase& c, std::ostream* out) { *out << c.name; }

template <typename T>
std::function<Bytes(const std::vector<long double>&)> encoder(bool msb = false)
{
    return [msb](const std::vector<long double>& values) {
        Bytes bytes;
        for (long double v : values) {
            const T t = static_cast<T>(v);
            uint8_t raw[sizeof(T)];
            std::memcpy(raw, &t, sizeof(T));
            if (msb) std::reverse(raw, raw + sizeof(T));
            bytes.insert(bytes.end(), raw, raw + sizeof(T));
        }
        return bytes;
    };
}

const std::vector<long double> values = {0, 7, 12, 200, 255, 3, 7, 100, 50, 25, 1, 2, 254, 128, 64};
constexpr int width = 5, height = 3;

class RasterOutput : public ::testing::TestWithParam<RasterCase> {};

TEST_P(RasterOutput, EachFormatHoldsWhatItPromises)
{
    const RasterCase& c = GetParam();
    const Bytes bytes = c.encode(values);
    BoxTexts boxes = {{Box::BitsPerSample, c.bits}, {Box::MinData, "10"}, {Box::MaxData, "240"},
                      {Box::Gamma, "0.6"}, {Box::OriginSample, "3"}, {Box::NonDataValue, "7"}};
    std::vector<Choice> choices = c.type;
    choices.push_back(Choice::IgnoreNonDataValue);
    // The order of the samples in a row, turned about sample 3.
    const int order[width] = {2, 3, 4, 0, 1};

    OutputHarness bmp(bytes, width, height, boxes, choices);
    bmp.convert();
    const auto bmpRows = bmp.bmpRowsFromTop(width, height);

    {
        OutputHarness h(bytes, width, height, boxes, choices);
        h.output = h.dir.file("out.png");
        h.window.saveDialogAnswer = h.output;
        h.window.check(Choice::PNGOutput);
        h.convert();
        EXPECT_EQ(h.window.lastSaveProposal(), ".png");
        const Picture p = readPng(h.output);
        ASSERT_EQ(p.depth, 8);
        ASSERT_EQ(p.rows.size(), size_t{height});
        for (int r = 0; r < height; ++r)
            for (int col = 0; col < width; ++col) EXPECT_EQ(p.rows[r][col], bmpRows[r][col]) << r << "," << col;
    }
    {
        OutputHarness h(bytes, width, height, boxes, choices);
        h.output = h.dir.file("out16.png");
        h.window.saveDialogAnswer = h.output;
        h.window.check(Choice::PNG16Output);
        h.convert();
        const Picture p = readPng(h.output);
        ASSERT_EQ(p.depth, 16);
        const GrayMapping mapping = MakeGrayMapping(10, 240, 0.6L);
        for (int r = 0; r < height; ++r)
            for (int col = 0; col < width; ++col) {
                const long double v = values[static_cast<size_t>(r * width + order[col])];
                const long double x = std::max<long double>(0, (v - 10) / 230);
                const long double level = v == 7 ? 0 : std::nearbyint(65535 * std::pow(x, 0.6L));
                EXPECT_NEAR(p.rows[r][col], std::min<long double>(level, 65535), 1) << r << "," << col;
                EXPECT_EQ(p.rows[r][col], GrayLevel16(mapping, v, v == 7)) << r << "," << col;
            }
    }
    {
        OutputHarness h(bytes, width, height, boxes, choices);
        h.output = h.dir.file("out.tif");
        h.window.saveDialogAnswer = h.output;
        h.window.check(Choice::TIFFOutput);
        h.convert();
        EXPECT_EQ(h.window.lastSaveProposal(), ".tif");
        const TiffContents t = readTiff(h.output);
        EXPECT_EQ(t.bits, c.tiffBits);
        EXPECT_EQ(t.format, c.tiffFormat);
        EXPECT_EQ(t.noData, c.noDataText);
        ASSERT_EQ(t.rows.size(), size_t{height});
        for (int r = 0; r < height; ++r)
            for (int col = 0; col < width; ++col)
                EXPECT_EQ(t.rows[r][col], values[static_cast<size_t>(r * width + order[col])]) << r << "," << col;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, RasterOutput,
    ::testing::Values(
        RasterCase{"u8", "8", {}, encoder<uint8_t>(), 8, SAMPLEFORMAT_UINT, "7"},
        RasterCase{"u16_msb", "16", {Choice::ReverseBytes}, encoder<uint16_t>(true), 16, SAMPLEFORMAT_UINT, "7"},
        RasterCase{"i16", "16", {Choice::SignedInteger}, encoder<int16_t>(), 16, SAMPLEFORMAT_INT, "7"},
        RasterCase{"u32", "32", {}, encoder<uint32_t>(), 32, SAMPLEFORMAT_UINT, "7"},
        RasterCase{"i32_msb", "32", {Choice::SignedInteger, Choice::ReverseBytes}, encoder<int32_t>(true), 32,
                   SAMPLEFORMAT_INT, "7"},
        RasterCase{"f32", "32", {Choice::Real}, encoder<float>(), 32, SAMPLEFORMAT_IEEEFP, "7"},
        RasterCase{"f64_msb", "64", {Choice::Real, Choice::ReverseBytes}, encoder<double>(true), 64,
                   SAMPLEFORMAT_IEEEFP, "7"}),
    [](const auto& info) { return std::string(info.param.name); });

// An abort leaves a TIFF of the completed rows, and no PNG at all: its
// height and compressed stream cannot be cut short.
TEST(AbortedRasterOutput, TiffKeepsTheCompletedRowsAndPngIsNotWritten)
{
    const Bytes bytes = byteImage(3, 5, [](int l, int s) { return 10 * l + s; });
    for (Choice kind : {Choice::TIFFOutput, Choice::PNGOutput, Choice::PNG16Output}) {
        OutputHarness h(bytes, 5, 3, {}, {kind});
        h.output = h.dir.file("out");
        h.window.saveDialogAnswer = h.output;
        h.window.atPump(7, [&] { h.main.Abort_ButtonClick(); });
        const Lines log = h.convert();
        if (kind == Choice::TIFFOutput) {
            EXPECT_EQ(log.back(), "Conversion aborted; 1 of 3 rows written to: " + h.output);
            const TiffContents t = readTiff(h.output);
            ASSERT_EQ(t.height, 1u);
            EXPECT_EQ(t.rows[0], (std::vector<long double>{11, 12, 13, 14, 15}));
        } else {
            EXPECT_EQ(log.back(), "Conversion aborted; " + h.output + " left as it was");
            EXPECT_FALSE(std::filesystem::exists(h.output));
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir.file("")),
                                std::filesystem::directory_iterator()),
                  kind == Choice::TIFFOutput ? 2 : 1);  // the input, and the TIFF
    }
}

// A picture of no rows exists as a BMP or a text file, not as a PNG or TIFF:
// it is refused before anything is created.
TEST(EmptyRasterOutput, IsRefusedWithoutAFile)
{
    for (Choice kind : {Choice::PNGOutput, Choice::PNG16Output, Choice::TIFFOutput}) {
        OutputHarness h(Bytes(4, 1), 2, 2, {{Box::StartLine, "2"}, {Box::EndLine, "1"}}, {kind});
        h.convert();
        EXPECT_EQ(h.window.errors(), Lines{"The end line lies before the start line."});
        EXPECT_FALSE(std::filesystem::exists(h.output));
    }
}

}  // namespace
}  // namespace skeldra
