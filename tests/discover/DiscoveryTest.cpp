// SPDX-License-Identifier: BSD-3-Clause
// Layout discovery on files whose layout is known: the first candidate must
// read every sample as the true layout does.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "discover/Discovery.h"
#include "raster/Strides.h"
#include "support/TempFiles.h"

using namespace skeldra;

namespace {

uint8_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<uint8_t>(state >> 24);
}

// A smooth surface with noise of up to ±2 × `roughness`, different in each band.
double surface(int64_t line, int64_t sample, int64_t band, uint32_t& noise, double roughness)
{
    const double jitter = roughness * (static_cast<double>(nextRandom(noise)) / 64.0 - 2.0);
    return 1000 + 700 * std::sin(static_cast<double>(line) / 37.0 + static_cast<double>(band)) *
                      std::cos(static_cast<double>(sample) / 53.0) +
           250 * std::sin(static_cast<double>(line + 2 * sample) / 91.0 + 2.0 * static_cast<double>(band)) + jitter;
}

void store(std::vector<uint8_t>& file, int64_t position, double value, const Encoding& encoding)
{
    uint8_t bytes[8] = {};
    if (encoding.bytes == 1) value /= 10;  // within 0..255
    if (encoding.format == DataFormat::Real && encoding.bytes == 4) {
        const auto v = static_cast<float>(value);
        std::memcpy(bytes, &v, 4);
    } else if (encoding.format == DataFormat::Real) {
        std::memcpy(bytes, &value, 8);
    } else {
        const auto v = static_cast<int64_t>(std::lround(value));
        std::memcpy(bytes, &v, 8);
    }
    for (int32_t i = 0; i < encoding.bytes; ++i)
        file[static_cast<size_t>(position + i)] = bytes[encoding.msbFirst ? encoding.bytes - 1 - i : i];
}

// Discovery on these bytes written to a file of their own, in a folder of
// this run's, so that runs side by side never share it.
Discovery discoverBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const skeldra::testing::TempDir dir;
    return discoverLayout(dir.write(name, bytes));
}

struct Case {
    const char* name;
    CandidateLayout truth;
    int64_t prefix;  // of every line; the truth's header and pad include it
    bool textHeader;
    double shift = 0;  // added to every value: a negative shift takes them across zero
    double roughness = 1;
    bool randomBytes = false;  // in the header and pads, else zeros
    double amplitude = 1;      // of the surface about its mean
};

std::vector<uint8_t> makeFile(const Case& c)
{
    const CandidateLayout& t = c.truth;
    const RasterLayout raster = rasterLayout(t);
    std::vector<uint8_t> file(static_cast<size_t>(t.headerBytes + layoutBytes(t) + t.linePad));
    uint32_t noise = 7;
    if (c.randomBytes)
        for (uint8_t& byte : file) byte = nextRandom(noise);
    if (c.textHeader) {
        const std::string text = "SOURCE = TEST\r\nNOTE = SAMPLES FOLLOW\r\nEND\r\n";
        std::memcpy(file.data(), text.data(), std::min<size_t>(text.size(), static_cast<size_t>(t.headerBytes)));
    }
    for (int64_t b = 1; b <= raster.NumBands; ++b)
        for (int64_t l = 1; l <= t.lines; ++l) {
            const int64_t start = samplePosition(raster, static_cast<int32_t>(l), static_cast<int32_t>(b), 1);
            // A 4-byte line counter, repeated, least significant byte next to
            // the line; the bands of a BIL line share it.
            for (int64_t p = 1; p <= c.prefix && (b == 1 || t.structure != BandStructure::BIL); ++p)
                file[static_cast<size_t>(start - p)] = static_cast<uint8_t>(l >> (8 * ((p - 1) % 4)));
            for (int64_t s = 1; s <= t.samplesPerLine; ++s)
                store(file, samplePosition(raster, static_cast<int32_t>(l), static_cast<int32_t>(b), static_cast<int32_t>(s)),
                      1000 + c.amplitude * (surface(l, s, b, noise, c.roughness) - 1000) + c.shift, t.encoding);
        }
    return file;
}

// Whether `candidate` reads every sample of `truth` with the same value.
bool readsAlike(const std::vector<uint8_t>& file, const CandidateLayout& truth, const CandidateLayout& candidate)
{
    const RasterLayout a = rasterLayout(truth), b = rasterLayout(candidate);
    if (a.NumBands != b.NumBands || truth.samplesPerLine != candidate.samplesPerLine || truth.lines != candidate.lines)
        return false;
    for (int32_t band = 1; band <= a.NumBands; ++band)
        for (int32_t line = 1; line <= truth.lines; ++line)
            for (int32_t s = 1; s <= truth.samplesPerLine; ++s) {
                const int64_t pa = samplePosition(a, line, band, s), pb = samplePosition(b, line, band, s);
                if (pb < 0 || pb + candidate.encoding.bytes > std::ssize(file)) return false;
                const double x = decodeValue(file.data() + pa, truth.encoding);
                const double y = decodeValue(file.data() + pb, candidate.encoding);
                if (x != y && !(std::isnan(x) && std::isnan(y))) return false;
            }
    return true;
}

// Spaces from the end of the label's text to `header`, as labels are
// filled out to their records.
void fillLabelWithSpaces(std::vector<uint8_t>& bytes, int64_t header)
{
    const std::string end = "END\r\n";
    const auto textEnd = std::search(bytes.begin(), bytes.end(), end.begin(), end.end()) + std::ssize(end);
    std::fill(textEnd, bytes.begin() + header, ' ');
}

// Discovery on these bytes must put first a layout that reads every sample
// as `truth` does; `context` starts the message of a failure.
void expectFirstReadsAsTruth(const std::string& name, const std::vector<uint8_t>& bytes, const CandidateLayout& truth,
                             const std::string& context = "")
{
    const Discovery discovery = discoverBytes(name, bytes);
    ASSERT_FALSE(discovery.candidates.empty()) << context << discovery.verdict;
    EXPECT_TRUE(readsAlike(bytes, truth, discovery.candidates.front().layout))
        << context << discovery.candidates.front().evidence;
}

CandidateLayout layout(int64_t header, int64_t samples, int64_t lines, Encoding encoding, int64_t bands,
                       BandStructure structure, int64_t pad)
{
    CandidateLayout l;
    l.headerBytes = header;
    l.samplesPerLine = samples;
    l.lines = lines;
    l.encoding = encoding;
    l.bands = bands;
    l.structure = structure;
    l.linePad = pad;
    return l;
}

class FirstCandidate : public ::testing::TestWithParam<Case> {};

TEST_P(FirstCandidate, ReadsTheImageAsTheTrueLayout)
{
    const Case& c = GetParam();
    const std::vector<uint8_t> bytes = makeFile(c);
    const Discovery discovery = discoverBytes(c.name, bytes);
    ASSERT_FALSE(discovery.candidates.empty()) << discovery.verdict;
    const Candidate& first = discovery.candidates.front();
    std::string options;
    for (const std::string& token : layoutOptions(first.layout)) options += token + " ";
    EXPECT_TRUE(readsAlike(bytes, c.truth, first.layout)) << options << "\n" << first.evidence;
    EXPECT_GT(first.score, 0.0);
    EXPECT_LE(first.score, 1.0);
}

using F = DataFormat;
using S = BandStructure;
INSTANTIATE_TEST_SUITE_P(
    Layouts, FirstCandidate,
    ::testing::Values(Case{"u8", layout(0, 517, 300, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, false},
                    Case{"i16_msb_prefix", layout(2048 + 4, 611, 260, {2, F::SignedInteger, true}, 1, S::BSQ, 4), 4, true},
                    Case{"f32_bip", layout(1000, 389, 200, {4, F::Real, false}, 3, S::BIP, 0), 0, false},
                    Case{"u16_bil_pad", layout(512, 333, 220, {2, F::UnsignedInteger, false}, 3, S::BIL, 6), 0, false},
                    // a counter changes a little every line, as image samples do
                    Case{"u8_bil_counter", layout(4096 + 17, 254, 346, {1, F::UnsignedInteger, false}, 3, S::BIL, 17), 17, false},
                    // bands of whole lines whose samples do not divide by the bands
                    Case{"u16_bsq", layout(700, 500, 150, {2, F::UnsignedInteger, true}, 3, S::BSQ, 0), 0, false},
                    // no pad: the first line starts where the header ends
                    Case{"i16_header", layout(1234, 517, 300, {2, F::SignedInteger, false}, 1, S::None, 0), 0, true},
                    // values across zero: torn apart when read unsigned, or as
                    // integers from the reals' bytes; the zeros of the header
                    // read like values of the image
                    Case{"i16_zero_header", layout(3000, 517, 300, {2, F::SignedInteger, false}, 1, S::None, 0), 0, false, -1000},
                    Case{"f32_bip_across_zero", layout(800, 389, 200, {4, F::Real, true}, 3, S::BIP, 0), 0, false, -1000},
                    // random pad bytes beside a noisy picture: two of them
                    // read as one more sample change hardly more than it does
                    Case{"i16_noisy_random_pad", layout(1001, 701, 300, {2, F::SignedInteger, false}, 1, S::BSQ, 3), 0, false, 0, 60, true},
                    // the samples read in another encoding once the lines start
                    // where they do: the steps between bands must be read again
                    Case{"f32_bil_counter", layout(2000 + 12, 509, 300, {4, F::Real, true}, 3, S::BIL, 31), 12, false},
                    // a 4-byte counter repeats every 4 bytes: the high bytes
                    // of 2-byte samples must still set the width
                    Case{"u16_counter_prefix", layout(3000 + 8, 611, 300, {2, F::SignedInteger, false}, 1, S::BSQ, 8), 8, false},
                    // a counter that leaves the picture's range now and then
                    // still counts, and stays out of the line
                    Case{"u8_counter_beyond_range", layout(3000 + 14, 517, 300, {1, F::UnsignedInteger, false}, 1, S::BSQ, 17), 14,
                         false, 1200, 10, false, 0.2},
                    // 8-bit values about zero: read unsigned, they tear
                    // apart wherever they cross it
                    Case{"s8_across_zero_bsq", layout(999, 733, 200, {1, F::UnsignedInteger, false}, 3, S::BSQ, 5), 0, false, -1000, 3},
                    // all samples with the top bit set: high counts read
                    // unsigned, small negative numbers signed
                    Case{"u32_high_counts", layout(600, 389, 200, {4, F::UnsignedInteger, false}, 1, S::None, 0), 0, false, 4.0e9},
                    Case{"i32_small_negatives", layout(600, 389, 200, {4, F::SignedInteger, true}, 1, S::None, 0), 0, false, -3000},
                    // a small file, a fifth of it a random header before a
                    // picture of a narrow range: the header must not draw
                    // the range, or the picture reads flat
                    Case{"i32_narrow_range_behind_random_header", layout(5340, 115, 51, {4, F::SignedInteger, false}, 1, S::None, 0),
                         0, false, 1.8457e9, 1, true, 0.05},
                    // a small picture behind a random header of two fifths
                    // of the file: header bytes beyond the picture's range
                    // read as one value, but are no flat lines
                    Case{"u16_small_behind_large_random_header", layout(19596, 138, 98, {2, F::UnsignedInteger, false}, 1, S::None, 0),
                         0, false, 0, 1, true},
                    // and one whose values cross the top bit: the header's
                    // lines must not make the reading that tears the
                    // picture look the smoother, nor the picture's lines
                    // look as rough as the header's
                    Case{"u16_across_top_bit_behind_large_random_header",
                         layout(19596, 138, 98, {2, F::UnsignedInteger, false}, 1, S::None, 0), 0, false, 31768, 1, true, 8},
                    // small values in 32-bit samples: the upper bytes never
                    // change, and read as 16-bit they pair with the low ones
                    Case{"i32_small_values", layout(900, 389, 200, {4, F::SignedInteger, false}, 1, S::None, 0), 0, false, -880,
                         1, false, 0.15},
                    // a texture whose noise is most of each sample's change:
                    // its lines repeat only a little better than elsewhere
                    Case{"u16_bip_rough_texture", layout(0, 700, 300, {2, F::UnsignedInteger, true}, 3, S::BIP, 0), 0, false,
                         34000, 150, false, 0.3}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Stripes running down to the right repeat best a sample past the line
// below; only the true record length has whole lines end where the file does.
TEST(Discovery, DiagonalStripesDoNotSetTheRecordLength)
{
    for (const int64_t header : {0, 2000}) {
        const Case c{"stripes", layout(header, 1201, 300, {2, F::UnsignedInteger, false}, 1, S::None, 0), 0, false};
        std::vector<uint8_t> bytes(static_cast<size_t>(header + layoutBytes(c.truth)));
        uint32_t noise = 3;
        for (int64_t l = 0; l < c.truth.lines; ++l)
            for (int64_t s = 0; s < c.truth.samplesPerLine; ++s) {
                const double jitter = static_cast<double>(nextRandom(noise)) / 16.0;
                store(bytes, header + 2 * (l * c.truth.samplesPerLine + s),
                      20000 + 2500 * std::sin(static_cast<double>(s - l) / 3000.0) + jitter, c.truth.encoding);
            }
        expectFirstReadsAsTruth(c.name, bytes, c.truth, std::to_string(header) + ": ");
    }
}

// The last samples of a random header that happen to match the samples a
// line further on read as image; the file's end says where lines start.
TEST(Discovery, LinesEndWhereTheFileDoes)
{
    for (const Encoding encoding : {Encoding{1, F::UnsignedInteger, false}, Encoding{2, F::SignedInteger, false}}) {
        const Case c{"header_tail", layout(3001, 611, 300, encoding, 1, S::None, 0), 0, false, 0, 1, true};
        std::vector<uint8_t> bytes = makeFile(c);
        const int64_t record = c.truth.samplesPerLine * encoding.bytes;
        for (int64_t i = 1; i <= 3 * encoding.bytes; ++i)
            bytes[static_cast<size_t>(c.truth.headerBytes - i)] = bytes[static_cast<size_t>(c.truth.headerBytes - i + record)];
        expectFirstReadsAsTruth(c.name, bytes, c.truth, std::to_string(encoding.bytes) + ": ");
    }
}

// With bytes left over at the end, a header byte that happens to match the
// line below is no image sample where each line's start stands out.
TEST(Discovery, AHeaderByteLikeTheLineBelowStaysHeader)
{
    const Case c{"header_byte", layout(3001, 611, 300, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, false, 0, 1, true};
    std::vector<uint8_t> bytes = makeFile(c);
    const auto last = static_cast<size_t>(c.truth.headerBytes - 1);
    bytes[last] = bytes[last + static_cast<size_t>(c.truth.samplesPerLine)];
    bytes.insert(bytes.end(), 29, 0x5a);
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A few equal samples at the picture's start are not the fill of the header
// of zeros before them: with bytes left over, only the samples tell where
// the image starts.
TEST(Discovery, AFewEqualSamplesStartThePictureAfterAFilledHeader)
{
    const Case c{"equal_start", layout(3001, 611, 300, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    // The first four samples alike, where the line below differs from sample
    // to sample.
    const auto start = static_cast<size_t>(c.truth.headerBytes), below = start + static_cast<size_t>(c.truth.samplesPerLine);
    for (size_t s = 0; s < 4; ++s) bytes[start + s] = bytes[start], bytes[below + s] = static_cast<uint8_t>(bytes[start] + s % 2);
    bytes.insert(bytes.end(), 100, 0x5a);
    expectFirstReadsAsTruth(c.name, bytes, c.truth, "");
}

// A header of zeros that ends well into a record, before a picture whose
// columns have nothing in common: nothing in a line tells where it starts,
// so the record that first reads like image lines may start with header.
TEST(Discovery, APictureStartsWithinTheFirstRecordThatReadsLikeLines)
{
    constexpr int64_t header = 12567;
    const CandidateLayout truth = layout(header, 710, 300, {2, F::UnsignedInteger, true}, 1, S::None, 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(header + layoutBytes(truth) + 1), 0);
    uint32_t noise = 28;  // puts the line start found 45 samples before the true one
    std::vector<double> column(static_cast<size_t>(truth.samplesPerLine));
    for (double& value : column) value = 37500 + nextRandom(noise);
    for (int64_t l = 0; l < truth.lines; ++l)
        for (int64_t s = 0; s < truth.samplesPerLine; ++s) {
            double& value = column[static_cast<size_t>(s)];
            value += static_cast<double>(nextRandom(noise) % 9) - 4;
            store(bytes, header + 2 * (l * truth.samplesPerLine + s), value, truth.encoding);
        }
    expectFirstReadsAsTruth("late_start", bytes, truth);
}

// An upper byte that never changes pairs as well with the lower byte
// before it, read in the other byte order a byte earlier. Where no pad
// follows a line, only the file's end tells the two readings apart; beside a
// pad of zeros, the pad does (read a byte late, it takes in an upper and a
// lower byte at its edges).
TEST(Discovery, AStillUpperByteLeavesTheByteOrderToTheFileEndOrThePad)
{
    struct Still {
        int64_t pad, prefix;
        double amplitude;  // of the lower byte
    };
    for (const Still still : {Still{0, 0, 3}, Still{24, 10, 1}})
        for (const bool msbFirst : {true, false}) {
            constexpr int64_t header = 3001;
            const CandidateLayout truth = layout(header + still.prefix, 611, 300, {2, F::UnsignedInteger, msbFirst}, 1,
                                                 still.pad > 0 ? S::BSQ : S::None, still.pad);
            const int64_t record = 2 * truth.samplesPerLine + still.pad;
            std::vector<uint8_t> bytes(static_cast<size_t>(header + truth.lines * record), 0);
            const std::string text = "SOURCE = TEST\r\nNOTE = SAMPLES FOLLOW\r\nEND\r\n";
            std::copy(text.begin(), text.end(), bytes.begin());
            uint32_t noise = 4;
            for (int64_t l = 0; l < truth.lines; ++l)
                for (int64_t s = 0; s < truth.samplesPerLine; ++s) {
                    const double low = 128 + still.amplitude * (30 * std::sin(l / 37.0) * std::cos(s / 53.0) +
                                                                10 * std::sin((l + 2 * s) / 91.0)) +
                                       nextRandom(noise) % 5 - 2;
                    store(bytes, truth.headerBytes + l * record + 2 * s, 0x4600 + std::clamp(low, 0.0, 255.0),
                          truth.encoding);
                }
            expectFirstReadsAsTruth("still_upper_byte", bytes, truth,
                                    "pad " + std::to_string(still.pad) + (msbFirst ? ", MSB: " : ", LSB: "));
        }
}

// A pad of noise says where lines start: bytes left over at the end that
// whole lines two samples later would take up do not move them.
TEST(Discovery, APadOfNoiseKeepsLinesWhereTheyStart)
{
    for (const Encoding encoding : {Encoding{2, F::SignedInteger, false}, Encoding{8, F::Real, false}}) {
        const Case c{"noise_pad_leftover", layout(1001, 701, 300, encoding, 1, S::BSQ, 6), 0, false, 0, 1, true};
        std::vector<uint8_t> bytes = makeFile(c);
        bytes.insert(bytes.end(), static_cast<size_t>(2 * encoding.bytes), 0x5a);
        expectFirstReadsAsTruth(c.name, bytes, c.truth, std::to_string(encoding.bytes) + ": ");
    }
}

// Bytes left over after the last line, where the picture's start is clear:
// lines a few samples later would end where the file does, but the bytes
// they would add to the header run on evenly from the picture's start
// (after random bytes) or follow a label filled out with spaces (before a
// bright margin, which does not run on evenly).
TEST(Discovery, BytesLeftOverAfterAClearStartAreATrailer)
{
    struct Trailer {
        const char* name;
        bool label;
        int64_t bytes;
    };
    for (const Trailer t : {Trailer{"after_random", false, 2}, Trailer{"after_label", true, 5}}) {
        const Case c{t.name, layout(3001, 611, 300, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, t.label, 0, 1, !t.label};
        std::vector<uint8_t> bytes = makeFile(c);
        if (t.label) {
            fillLabelWithSpaces(bytes, c.truth.headerBytes);
            uint32_t noise = 5;
            for (int64_t l = 0; l < c.truth.lines; ++l)
                for (int64_t s = 0; s < 3; ++s)
                    bytes[static_cast<size_t>(c.truth.headerBytes + l * c.truth.samplesPerLine + s)] = 240 + nextRandom(noise) % 4;
        }
        bytes.insert(bytes.end(), static_cast<size_t>(t.bytes), 0x5a);
        expectFirstReadsAsTruth(c.name, bytes, c.truth, std::string(t.name) + ": ");
    }
}

// The first samples after a label of CR LF lines may be printable bytes
// and a bare LF: they do not lengthen the label past the image's start.
TEST(Discovery, ALineFeedAmongTheFirstSamplesIsNoLabelLine)
{
    const Case c{"line_feed_sample", layout(3001, 611, 300, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, true};
    std::vector<uint8_t> bytes = makeFile(c);
    fillLabelWithSpaces(bytes, c.truth.headerBytes);
    bytes[static_cast<size_t>(c.truth.headerBytes)] = 'd';
    bytes[static_cast<size_t>(c.truth.headerBytes + 1)] = '\n';
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A figure on a plain ground, as a logo is drawn, in lines with a pad of
// noise: the ground's columns and lines are as constant as a pad or a
// header of zeros could be; the noise alone says where lines and the image
// start.
TEST(Discovery, AFigureOnAPlainGroundKeepsItsPadOfNoise)
{
    const Case c{"logo", layout(3004, 543, 300, {2, F::SignedInteger, false}, 1, S::BSQ, 8), 0, false, 0, 1, true};
    std::vector<uint8_t> bytes = makeFile(c);
    const RasterLayout raster = rasterLayout(c.truth);
    for (int32_t l = 1; l <= c.truth.lines; ++l)
        for (int32_t s = 1; s <= c.truth.samplesPerLine; ++s)
            if (l < 120 || l > 220 || s < 150 || s > 400) store(bytes, samplePosition(raster, l, 1, s), 30000, c.truth.encoding);
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// The last band's picture clipped at its right edge reads like a pad of
// constant bytes; the bands that line up only in the whole record say it
// is image.
TEST(Discovery, BandsByLineOutweighAClippedEdgeReadAsPad)
{
    const Case c{"clipped_bil", layout(1500, 300, 300, {1, F::UnsignedInteger, false}, 3, S::BIL, 0), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    const int64_t record = 3 * c.truth.samplesPerLine;
    for (int64_t l = 0; l < c.truth.lines; ++l)
        for (int64_t s = record - 12; s < record; ++s) bytes[static_cast<size_t>(c.truth.headerBytes + l * record + s)] = 255;
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A short pad of a BIL record leaves the bands of the whole record a few
// samples askew, where sharp edges still line up in part: the bands with
// the pad, lined up exactly, are believed.
TEST(Discovery, BandsWithThePadOutweighBandsAskewInTheWholeRecord)
{
    const Case c{"blocks_bil", layout(0, 1201, 200, {1, F::UnsignedInteger, false}, 3, S::BIL, 9), 0, false};
    const RasterLayout raster = rasterLayout(c.truth);
    std::vector<uint8_t> bytes(static_cast<size_t>(layoutBytes(c.truth) + c.truth.linePad));
    uint32_t noise = 5;
    for (int32_t l = 1; l <= c.truth.lines; ++l)
        for (int32_t b = 1; b <= 3; ++b)
            for (int32_t s = 1; s <= c.truth.samplesPerLine; ++s) {
                const bool bright = std::sin(s / 23.0 + 2 * std::sin(l / 41.0) + l / 97.0) > 0;
                const double value = 40 + 20 * b + (bright ? 120 : 0) + nextRandom(noise) % 4;
                bytes[static_cast<size_t>(samplePosition(raster, l, b, s))] = static_cast<uint8_t>(value);
            }
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// Bands of one scene whose lines join where one band's line ends and the
// next one's starts: only the edges they share tell the bands apart. In a
// small file the window holds a random header too, whose lines are no
// image; in a noisy one only the means of many samples show the edges.
TEST(Discovery, BandsByLineShareTheirEdges)
{
    struct Shared {
        const char* name;
        CandidateLayout truth;
        double noise;
    };
    for (const Shared& c : {Shared{"random_header", layout(11001, 282, 245, {4, F::Real, false}, 3, S::BIL, 0), 20},
                            Shared{"noisy", layout(0, 2100, 100, {4, F::Real, true}, 3, S::BIL, 0), 300}}) {
        const RasterLayout raster = rasterLayout(c.truth);
        std::vector<uint8_t> bytes(static_cast<size_t>(c.truth.headerBytes + layoutBytes(c.truth)));
        uint32_t noise = 11;
        for (uint8_t& byte : bytes) byte = nextRandom(noise);
        const double turn = 2 * std::numbers::pi / static_cast<double>(c.truth.samplesPerLine);
        for (int32_t l = 1; l <= c.truth.lines; ++l)
            for (int32_t b = 1; b <= 3; ++b)
                for (int32_t s = 1; s <= c.truth.samplesPerLine; ++s) {
                    const double jitter = c.noise * (nextRandom(noise) / 128.0 - 1);
                    const double value = 1000 + 20 * b + 600 * std::tanh(5 * std::sin(3 * turn * s + l / 40.0)) +
                                         300 * std::sin(7 * turn * s - l / 25.0) +
                                         400 * std::sin((4 + b) * turn * s) * std::cos(l / 30.0 + b) + jitter;
                    store(bytes, samplePosition(raster, l, b, s), value, c.truth.encoding);
                }
        expectFirstReadsAsTruth(c.name, bytes, c.truth, std::string(c.name) + ": ");
    }
}

// A grey picture with patches of colour, in 32-bit samples whose low bytes
// are noise: one band's line repeats the next band's about as well in the
// bytes as the same band's next line; the values tell which is closer.
TEST(Discovery, BandsByLineThatLookAlikeKeepTheirRecord)
{
    const Case c{"grey_bil", layout(4000, 1201, 150, {4, F::UnsignedInteger, false}, 3, S::BIL, 0), 0, false};
    const RasterLayout raster = rasterLayout(c.truth);
    std::vector<uint8_t> bytes(static_cast<size_t>(c.truth.headerBytes + layoutBytes(c.truth)));
    uint32_t noise = 3;
    // Two random walks along the line; the picture drifts slowly from
    // the one to the other down the lines.
    std::vector<double> along(1201), drift(1201);
    for (size_t s = 1; s < along.size(); ++s) {
        along[s] = along[s - 1] + nextRandom(noise) / 128.0 - 1;
        drift[s] = drift[s - 1] + nextRandom(noise) / 128.0 - 1;
    }
    for (int32_t l = 1; l <= c.truth.lines; ++l)
        for (int32_t b = 1; b <= 3; ++b)
            for (int32_t s = 1; s <= c.truth.samplesPerLine; ++s) {
                const bool patch = std::sin(s / 61.0 + 0.3) * std::sin(l / 23.0 + 0.1) > 0.6;
                const double grey = along[static_cast<size_t>(s - 1)] + 0.02 * l * drift[static_cast<size_t>(s - 1)];
                const double value = 2e9 + 2e7 * grey + (patch ? 1e8 * b : 0) + 2e4 * nextRandom(noise);
                store(bytes, samplePosition(raster, l, b, s), value, c.truth.encoding);
            }
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A picture whose top half is a ground of noise, in bands by pixel: the
// lines that show the bands lie further down than the first few.
TEST(Discovery, BandsByPixelBelowAGroundOfNoise)
{
    const Case c{"ground_bip", layout(0, 400, 300, {1, F::UnsignedInteger, false}, 3, S::BIP, 0), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    uint32_t noise = 3;
    for (size_t i = 0; i < static_cast<size_t>(150 * 3 * c.truth.samplesPerLine); ++i)
        bytes[i] = static_cast<uint8_t>(200 + nextRandom(noise) % 3);
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A picture of blocks of colour jumps as far at many of its edges as where
// a band's line would end, halfway or a third along its line: one band.
TEST(Discovery, BlocksOfColourAreOneBand)
{
    const Case c{"colour_blocks", layout(0, 600, 400, {1, F::UnsignedInteger, false}, 1, S::None, 0), 0, false};
    std::vector<uint8_t> bytes(static_cast<size_t>(layoutBytes(c.truth)));
    uint32_t noise = 9;
    for (uint32_t l = 0; l < 400; ++l)
        for (uint32_t s = 0; s < 600; ++s) {
            const uint32_t block = ((l / 37) * 12 + s / 50 + 1) * 2654435761u;  // a level of its own
            bytes[l * 600 + s] = static_cast<uint8_t>(20 + (block >> 24) % 200 + nextRandom(noise) % 3);
        }
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// Files that once made discovery read outside its buffers (the sanitizing
// build catches a relapse): each must end in candidates or a sentence.
TEST(Discovery, SurvivesFilesThatOnceBrokeIt)
{
    int64_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SKELDRA_DISCOVERY_REGRESSIONS)) {
        const Discovery discovery = discoverLayout(entry.path().string());
        EXPECT_TRUE(!discovery.candidates.empty() || !discovery.verdict.empty()) << entry.path().filename();
        ++files;
    }
    EXPECT_GT(files, 0);
}

// Random bytes, and random reals wider than a byte, whose exponent bytes
// repeat at every lag that keeps the samples aligned (a search of those lags
// once took ten seconds and offered five layouts of noise).
TEST(Discovery, SaysSoWhenNothingRepeats)
{
    struct NoiseCase {
        const char* name;
        Encoding encoding;
        size_t bytes;
    };
    const NoiseCase cases[] = {
        {"random_bytes", {1, DataFormat::UnsignedInteger, false}, 300000},
        {"random_f64_lsb", {8, DataFormat::Real, false}, 1 << 20},
        {"random_f32_msb", {4, DataFormat::Real, true}, 1 << 20},
    };
    for (const NoiseCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(c.bytes);
        uint32_t state = 1;
        for (size_t at = 0; at + static_cast<size_t>(c.encoding.bytes) <= bytes.size(); at += c.encoding.bytes) {
            double value = 0;  // uniform in 0..1000, 24 random bits of it
            for (int i = 0; i < 3; ++i) value = value * 256 + nextRandom(state);
            if (c.encoding.bytes == 1) value = std::floor(value / 65536) * 10;  // one random byte, stored / 10
            else value = value / 16777216.0 * 1000;
            store(bytes, static_cast<int64_t>(at), value, c.encoding);
        }
        const Discovery discovery = discoverBytes(c.name, bytes);
        EXPECT_TRUE(discovery.candidates.empty()) << discovery.candidates.size();
        EXPECT_NE(discovery.verdict.find("No plausible layout"), std::string::npos) << discovery.verdict;
    }
}

// A label is what is certain, unless its layout does not read like an
// image: then it must not come first, and the search says so.
TEST(Discovery, LabelComesFirstOnlyWhenItsLinesReadSmoothly)
{
    const Case c{"labelled", layout(2048, 611, 260, {2, F::UnsignedInteger, true}, 1, S::None, 0), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    for (int64_t claimed : {611, 620}) {
        const std::string label = "PDS_VERSION_ID = PDS3\r\nRECORD_TYPE = FIXED_LENGTH\r\nRECORD_BYTES = 1222\r\n"
                                  "^IMAGE = 2049 <BYTES>\r\nOBJECT = IMAGE\r\nLINES = 260\r\nLINE_SAMPLES = " +
                                  std::to_string(claimed) +
                                  "\r\nSAMPLE_BITS = 16\r\nSAMPLE_TYPE = MSB_UNSIGNED_INTEGER\r\nBANDS = 1\r\n"
                                  "END_OBJECT = IMAGE\r\nEND\r\n";
        std::memcpy(bytes.data(), label.data(), label.size());
        const Discovery discovery = discoverBytes("labelled", bytes);
        ASSERT_FALSE(discovery.candidates.empty());
        const bool labelFirst = discovery.candidates.front().evidence.find("label gives") != std::string::npos;
        EXPECT_EQ(labelFirst, claimed == 611) << discovery.candidates.front().evidence;
        EXPECT_TRUE(readsAlike(bytes, c.truth, discovery.candidates.front().layout));
        EXPECT_EQ(discovery.verdict.find("looks wrong") != std::string::npos, claimed != 611);
    }
}

TEST(Discovery, OptionsSelectTheLayout)
{
    const CandidateLayout bil = layout(2048, 517, 900, {2, F::SignedInteger, true}, 3, S::BIL, 4);
    EXPECT_EQ(layoutOptions(bil), (std::vector<std::string>{"--header-bytes", "2048", "--samples", "517", "--bits", "16",
                                                           "--signed", "--msb", "--bil", "--bands", "3", "--line-pad",
                                                           "4", "--lines", "900"}));
    // One band with a line pad is one BSQ band: "None" ignores the pad.
    const CandidateLayout padded = layout(0, 100, 50, {1, F::UnsignedInteger, false}, 1, S::None, 3);
    EXPECT_EQ(rasterLayout(padded).Structure, S::BSQ);
}


// A small figure on a flat ground of more than half the picture, in lines of
// an odd number of bytes: the values' range is drawn about the ground, and
// the figure's columns lie below it in most lines. Columns beyond the range
// on one side only are the picture's (random pad bytes fall on both), and
// must not cut the line into a figure's worth of pad.
TEST(Discovery, AFigureOnAFlatGroundStaysInItsLines)
{
    const CandidateLayout truth = layout(0, 146, 212, {8, F::Real, false}, 1, S::BSQ, 1);
    const int64_t record = 8 * truth.samplesPerLine + 1;
    std::vector<uint8_t> bytes(static_cast<size_t>(truth.lines * record), 0);
    uint32_t noise = 5;
    for (int64_t l = 0; l < truth.lines; ++l)
        for (int64_t s = 0; s < truth.samplesPerLine; ++s) {
            const double dl = static_cast<double>(l - 106) / 70.0, ds = static_cast<double>(s - 73) / 40.0;
            const double inside = dl * dl + ds * ds;
            // dark and light, now and then as light as the ground
            const double shade = 0.5 + 0.5 * std::sin(static_cast<double>(s) / 3.0 + 2 * std::sin(static_cast<double>(l) / 30.0));
            const double figure = inside < 1 ? -0.012 * shade : 0;
            store(bytes, l * record + 8 * s, 0.005 + figure + 0.0002 * nextRandom(noise) / 255.0, truth.encoding);
        }
    expectFirstReadsAsTruth("flat_ground", bytes, truth);
}

// Pixels by band with a few rough pixels in one band, at the same place
// in every line: every third column changes like noise. A pad is one block,
// so these stay in the line and the pad of zeros stays out.
TEST(Discovery, RoughPixelsOfOneBandStayInTheLine)
{
    const Case c{"rough_band", layout(4000, 400, 200, {2, F::UnsignedInteger, false}, 3, S::BIP, 2), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    const RasterLayout raster = rasterLayout(c.truth);
    uint32_t noise = 17;
    for (int32_t l = 1; l <= c.truth.lines; ++l)
        for (int32_t s = 200; s < 206; ++s)
            store(bytes, samplePosition(raster, l, 2, s), 100 + 7.0 * nextRandom(noise), c.truth.encoding);
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A pad of zeros between lines of a bright picture with a flat patch wider
// than the pad in the middle lines: the patch is constant in the lines
// compared side by side, but not through the whole file, and the line does
// not jump into it. The pad, which the line jumps into and out of, stays
// out of the line.
TEST(Discovery, APadTheLineJumpsIntoOutweighsAWiderFlatPatch)
{
    const Case c{"walled_pad", layout(1700, 1500, 600, {1, F::UnsignedInteger, false}, 1, S::BSQ, 23), 0, false};
    std::vector<uint8_t> bytes = makeFile(c);
    const RasterLayout raster = rasterLayout(c.truth);
    for (int32_t l = 200; l <= 420; ++l) {
        const uint8_t flat = bytes[static_cast<size_t>(samplePosition(raster, l, 1, 700))];
        for (int32_t s = 700; s <= 960; ++s) bytes[static_cast<size_t>(samplePosition(raster, l, 1, s))] = flat;
    }
    expectFirstReadsAsTruth(c.name, bytes, c.truth);
}

// A small picture of a coarse texture in three bands alike, by band: a band
// repeats far better than a line does, but the window holds too few bands
// to place lines of a band's length. The lines' own lag, a sample short
// of the record (the texture's grain runs askew), must still be placed, and
// the record that fills the file with one line less found from it.
TEST(Discovery, LinesOfATextureAreFoundWhereItsBandsRepeatBetter)
{
    const CandidateLayout truth = layout(4056, 210, 120, {2, F::UnsignedInteger, true}, 3, S::BSQ, 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(truth.headerBytes + layoutBytes(truth)), 0);
    uint32_t noise = 9;
    std::vector<double> grain(static_cast<size_t>(truth.samplesPerLine * truth.lines));
    for (size_t i = 0; i < grain.size(); ++i) {
        // each grain takes after the one before it and the one above it and a sample on
        const double left = i % 210 ? grain[i - 1] : 0, aboveRight = i >= 209 ? grain[i - 209] : 0;
        grain[i] = 0.4 * left + 0.4 * aboveRight + 60.0 * nextRandom(noise);
    }
    for (int64_t b = 0; b < 3; ++b)
        for (size_t i = 0; i < grain.size(); ++i)
            store(bytes, truth.headerBytes + 2 * (b * std::ssize(grain) + static_cast<int64_t>(i)),
                  5000 + grain[i] + 40.0 * nextRandom(noise) / 255.0, truth.encoding);
    const Discovery discovery = discoverBytes("texture_bands", bytes);
    ASSERT_FALSE(discovery.candidates.empty()) << discovery.verdict;
    const auto firstFive = discovery.candidates.begin() + std::min<std::ptrdiff_t>(5, std::ssize(discovery.candidates));
    EXPECT_TRUE(std::any_of(discovery.candidates.begin(), firstFive,
                            [&](const Candidate& c) { return readsAlike(bytes, truth, c.layout); }))
        << discovery.candidates.front().evidence;
}

}  // namespace
