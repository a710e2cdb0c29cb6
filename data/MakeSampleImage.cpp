// SPDX-License-Identifier: BSD-3-Clause
// Writes the sample PDS3 image Test.IMG: a fixed-length label of ten
// 1024-byte records, then 100 lines of 1024 unsigned 8-bit samples. The
// picture has features one can recognise in a preview and check by value:
// a gradient, a grid, concentric rings, a row of bars and the word SKELDRA.
// Deterministic: the same bytes on every build.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int recordBytes = 1024;
constexpr int labelRecords = 10;
constexpr int lines = 100;
constexpr int samples = 1024;

std::string label()
{
    const char* const keywords[] = {
        "PDS_VERSION_ID       = PDS3",
        "/* Sample image shipped with Skeldra */",
        "RECORD_TYPE          = FIXED_LENGTH",
        "RECORD_BYTES         = 1024",
        "FILE_RECORDS         = 110",
        "LABEL_RECORDS        = 10",
        "^IMAGE               = 11",
        "PRODUCT_ID           = \"SKELDRA_TEST_IMAGE\"",
        "OBJECT               = IMAGE",
        "  LINES              = 100",
        "  LINE_SAMPLES       = 1024",
        "  SAMPLE_TYPE        = UNSIGNED_INTEGER",
        "  SAMPLE_BITS        = 8",
        "END_OBJECT           = IMAGE",
        "END",
    };
    std::string text;
    for (const char* line : keywords) text += std::string(line) + "\r\n";
    text.resize(static_cast<size_t>(recordBytes) * labelRecords, ' ');
    return text;
}

// 5 x 7 glyphs of the letters used, one row per string, "#" set.
using Glyph = std::array<const char*, 7>;
const Glyph glyphS = {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "};
const Glyph glyphK = {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"};
const Glyph glyphE = {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"};
const Glyph glyphL = {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"};
const Glyph glyphD = {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "};
const Glyph glyphR = {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"};
const Glyph glyphA = {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"};

// The word starts at sample 600 and line 20; each glyph cell is 8 x 8.
bool inWord(int line, int sample)
{
    static const Glyph* const word[] = {&glyphS, &glyphK, &glyphE, &glyphL, &glyphD, &glyphR, &glyphA};
    constexpr int cell = 8, left = 600, top = 20, advance = 6 * cell;
    const int x = sample - left, y = line - top;
    if (x < 0 || y < 0 || y >= 7 * cell) return false;
    const int letter = x / advance, column = (x % advance) / cell;
    if (letter >= 7 || column >= 5) return false;
    return (*word[letter])[y / cell][column] == '#';
}

bool onRing(int line, int sample)
{
    const int dy = line - 50, dx = sample - 200;
    const int r2 = dx * dx + dy * dy;
    for (int radius = 10; radius <= 45; radius += 7)
        if (r2 >= (radius - 2) * (radius - 2) && r2 <= radius * radius) return true;
    return false;
}

// 0-based line and sample.
uint8_t sampleValue(int line, int sample)
{
    if (inWord(line, sample)) return 255;
    if (onRing(line, sample)) return 230;
    if (sample % 128 == 0 || line % 25 == 0) return 180;
    // Bars of rising brightness between the rings and the word.
    if (sample >= 320 && sample < 560 && line >= 15 && line < 85 && (sample / 12) % 2 == 0)
        return static_cast<uint8_t>(60 + (sample - 320) * 160 / 240);
    // A gentle gradient, darker at the top left.
    return static_cast<uint8_t>(10 + sample * 80 / samples + line * 40 / lines);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_sample_image OUTPUT\n";
        return 2;
    }
    std::vector<char> image(static_cast<size_t>(lines) * samples);
    for (int line = 0; line < lines; ++line)
        for (int sample = 0; sample < samples; ++sample)
            image[static_cast<size_t>(line) * samples + sample] = static_cast<char>(sampleValue(line, sample));
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    const std::string text = label();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::cerr << "make_sample_image: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
