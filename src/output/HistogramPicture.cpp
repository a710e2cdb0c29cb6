// SPDX-License-Identifier: BSD-3-Clause
#include "output/HistogramPicture.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "base/Format.h"
#include "output/AtomicOutputFile.h"
#include "output/PngFile.h"

namespace skeldra {
namespace {

constexpr int32_t pictureWidth = 560;
constexpr int32_t pictureHeight = 280;
constexpr int32_t plotLeft = 24;
constexpr int32_t plotTop = 22;
constexpr int32_t barWidth = 2;
constexpr int32_t plotWidth = histogramBins * barWidth;
constexpr int32_t plotHeight = 190;

struct Colour {
    uint8_t red, green, blue;
};
constexpr Colour paper{236, 236, 236};
constexpr Colour ink{40, 40, 40};
constexpr Colour bar{90, 90, 90};
constexpr Colour rangeMark{30, 70, 220};
constexpr Colour clipMark{210, 30, 30};

// A 5 x 7 font, one byte a column (bit 0 at the top), for the characters
// the picture writes; others are left blank.
struct Glyph {
    char c;
    std::array<uint8_t, 5> columns;
};
constexpr Glyph font[] = {
    {'0', {0x3E, 0x51, 0x49, 0x45, 0x3E}}, {'1', {0x00, 0x42, 0x7F, 0x40, 0x00}},
    {'2', {0x42, 0x61, 0x51, 0x49, 0x46}}, {'3', {0x21, 0x41, 0x45, 0x4B, 0x31}},
    {'4', {0x18, 0x14, 0x12, 0x7F, 0x10}}, {'5', {0x27, 0x45, 0x45, 0x45, 0x39}},
    {'6', {0x3C, 0x4A, 0x49, 0x49, 0x30}}, {'7', {0x01, 0x71, 0x09, 0x05, 0x03}},
    {'8', {0x36, 0x49, 0x49, 0x49, 0x36}}, {'9', {0x06, 0x49, 0x49, 0x29, 0x1E}},
    {'A', {0x7E, 0x11, 0x11, 0x11, 0x7E}}, {'B', {0x7F, 0x49, 0x49, 0x49, 0x36}},
    {'C', {0x3E, 0x41, 0x41, 0x41, 0x22}}, {'D', {0x7F, 0x41, 0x41, 0x22, 0x1C}},
    {'E', {0x7F, 0x49, 0x49, 0x49, 0x41}}, {'F', {0x7F, 0x09, 0x09, 0x09, 0x01}},
    {'G', {0x3E, 0x41, 0x49, 0x49, 0x7A}}, {'H', {0x7F, 0x08, 0x08, 0x08, 0x7F}},
    {'I', {0x00, 0x41, 0x7F, 0x41, 0x00}}, {'J', {0x20, 0x40, 0x41, 0x3F, 0x01}},
    {'K', {0x7F, 0x08, 0x14, 0x22, 0x41}}, {'L', {0x7F, 0x40, 0x40, 0x40, 0x40}},
    {'M', {0x7F, 0x02, 0x1C, 0x02, 0x7F}}, {'N', {0x7F, 0x04, 0x08, 0x10, 0x7F}},
    {'O', {0x3E, 0x41, 0x41, 0x41, 0x3E}}, {'P', {0x7F, 0x09, 0x09, 0x09, 0x06}},
    {'Q', {0x3E, 0x41, 0x51, 0x21, 0x5E}}, {'R', {0x7F, 0x09, 0x19, 0x29, 0x46}},
    {'S', {0x26, 0x49, 0x49, 0x49, 0x32}}, {'T', {0x01, 0x01, 0x7F, 0x01, 0x01}},
    {'U', {0x3F, 0x40, 0x40, 0x40, 0x3F}}, {'V', {0x1F, 0x20, 0x40, 0x20, 0x1F}},
    {'W', {0x3F, 0x40, 0x38, 0x40, 0x3F}}, {'X', {0x63, 0x14, 0x08, 0x14, 0x63}},
    {'Y', {0x07, 0x08, 0x70, 0x08, 0x07}}, {'Z', {0x61, 0x51, 0x49, 0x45, 0x43}},
    {'.', {0x00, 0x60, 0x60, 0x00, 0x00}}, {'-', {0x08, 0x08, 0x08, 0x08, 0x08}},
    {'+', {0x08, 0x08, 0x3E, 0x08, 0x08}}, {':', {0x00, 0x36, 0x36, 0x00, 0x00}},
    {'%', {0x23, 0x13, 0x08, 0x64, 0x62}}, {'(', {0x00, 0x1C, 0x22, 0x41, 0x00}},
    {')', {0x00, 0x41, 0x22, 0x1C, 0x00}}, {',', {0x00, 0x50, 0x30, 0x00, 0x00}},
    {'/', {0x20, 0x10, 0x08, 0x04, 0x02}}, {'=', {0x14, 0x14, 0x14, 0x14, 0x14}},
};
constexpr int32_t charWidth = 6;

class Canvas {
public:
    explicit Canvas(PreviewPicture& picture) : picture_(picture) {}

    void pixel(int32_t x, int32_t y, Colour c)
    {
        if (x < 0 || y < 0 || x >= picture_.Width || y >= picture_.Height) return;
        uint8_t* p = picture_.row(y) + 3 * x;
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
    }
    void fill(int32_t x, int32_t y, int32_t w, int32_t h, Colour c)
    {
        for (int32_t j = y; j < y + h; ++j)
            for (int32_t i = x; i < x + w; ++i) pixel(i, j, c);
    }
    // Upper case; returns the x after the text.
    int32_t text(int32_t x, int32_t y, const std::string& s, Colour c)
    {
        for (char ch : s) {
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            for (const Glyph& g : font)
                if (g.c == upper)
                    for (int32_t col = 0; col < 5; ++col)
                        for (int32_t row = 0; row < 7; ++row)
                            if (g.columns[col] >> row & 1) pixel(x + col, y + row, c);
            x += charWidth;
        }
        return x;
    }

private:
    PreviewPicture& picture_;
};

std::string number(long double value)
{
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(value)).ptr;
    return std::string(text, end);
}

// The column of the plot where a value lies, clamped to the plot.
int32_t columnOf(const Histogram& h, long double value)
{
    const long double low = h.edges.front(), high = h.edges.back();
    const long double at = (value - low) / (high - low) * plotWidth;
    if (!(at >= 0)) return plotLeft;
    return plotLeft + static_cast<int32_t>(std::min<long double>(at, plotWidth - 1));
}

void drawBars(Canvas& canvas, const Histogram& h, bool logCounts)
{
    const int64_t tallest = *std::max_element(h.counts.begin(), h.counts.end());
    if (tallest == 0) return;
    for (int b = 0; b < histogramBins; ++b) {
        const double share = logCounts ? std::log1p(static_cast<double>(h.counts[b])) / std::log1p(static_cast<double>(tallest))
                                        : static_cast<double>(h.counts[b]) / static_cast<double>(tallest);
        int32_t height = static_cast<int32_t>(std::lround(share * plotHeight));
        if (h.counts[b] > 0) height = std::max(height, 1);  // a bin with points never looks empty
        canvas.fill(plotLeft + b * barWidth, plotTop + plotHeight - height, barWidth, height, bar);
    }
}

void drawMark(Canvas& canvas, const Histogram& h, long double value, Colour c)
{
    canvas.fill(columnOf(h, value), plotTop, 1, plotHeight, c);
}

}  // namespace

PreviewPicture renderHistogram(const HistogramReport& report, bool logCounts)
{
    PreviewPicture picture;
    picture.Width = pictureWidth;
    picture.Height = pictureHeight;
    picture.Bgr.assign(static_cast<size_t>(pictureWidth) * pictureHeight * 3, 255);
    Canvas canvas(picture);
    const Histogram& h = report.histogram;
    const int64_t tallest = *std::max_element(h.counts.begin(), h.counts.end());
    canvas.text(plotLeft, 8, format("256 bins, counts %s, tallest bin %d",
                                    {std::string(logCounts ? "log scale" : "linear"), tallest}), ink);
    canvas.fill(plotLeft, plotTop, plotWidth, plotHeight, paper);
    drawBars(canvas, h, logCounts);
    drawMark(canvas, h, report.minData, rangeMark);
    drawMark(canvas, h, report.maxData, rangeMark);
    if (report.clipPercent) {
        drawMark(canvas, h, report.clipLow, clipMark);
        drawMark(canvas, h, report.clipHigh, clipMark);
    }
    canvas.fill(plotLeft, plotTop + plotHeight, plotWidth, 1, ink);

    int32_t y = plotTop + plotHeight + 6;
    canvas.text(plotLeft, y, number(h.edges.front()), ink);
    const std::string high = number(h.edges.back());
    canvas.text(plotLeft + plotWidth - static_cast<int32_t>(high.size()) * charWidth, y, high, ink);
    y += 14;
    int32_t x = canvas.text(plotLeft, y, "Min data " + number(report.minData) + "  Max data " + number(report.maxData),
                            rangeMark);
    if (report.clipPercent)
        canvas.text(x + 12, y, format("Clip %s %%: %s .. %s", {number(*report.clipPercent), number(report.clipLow),
                                                               number(report.clipHigh)}),
                    clipMark);
    y += 14;
    std::string apart = format("%d data points, %d non-data, %d NaN",
                               {h.dataPoints, report.nonDataPoints, report.notANumberPoints});
    if (h.plusInfinity || h.minusInfinity)
        apart += format(", %d +INF, %d -INF (in no bin)", {h.plusInfinity, h.minusInfinity});
    canvas.text(plotLeft, y, apart, ink);
    return picture;
}

void writeRgbPng(const PreviewPicture& picture, const std::string& path)
{
    AtomicOutputFile out(path);
    PngWriter png(out, picture.Width, picture.Height, 8, 3);
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width) * 3);
    for (int32_t r = 0; r < picture.Height; ++r) {
        const uint8_t* bgr = picture.row(r);
        for (int32_t i = 0; i < picture.Width; ++i) {
            row[3 * i] = bgr[3 * i + 2];
            row[3 * i + 1] = bgr[3 * i + 1];
            row[3 * i + 2] = bgr[3 * i];
        }
        png.writeRow(row.data());
    }
    png.finish();
    out.commit();
}

}  // namespace skeldra
