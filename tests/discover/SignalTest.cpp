// SPDX-License-Identifier: BSD-3-Clause
// The measures that discovery weighs, on signals whose answer is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "discover/LineShape.h"
#include "discover/RecordLength.h"
#include "discover/SampleCodes.h"
#include "discover/SampleEncoding.h"

using namespace skeldra;

namespace {

uint32_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

void put(std::vector<uint8_t>& bytes, uint64_t value, int32_t width, bool msbFirst)
{
    for (int32_t i = 0; i < width; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * (msbFirst ? width - 1 - i : i))));
}

// Runs of `count` samples from `first`, `width` bytes apart.
std::vector<std::vector<int64_t>> runsFrom(int64_t first, int64_t runs, int64_t count, int32_t width)
{
    std::vector<std::vector<int64_t>> lines(static_cast<size_t>(runs));
    for (int64_t r = 0; r < runs; ++r)
        for (int64_t s = 0; s < count; ++s) lines[static_cast<size_t>(r)].push_back(first + (r * count + s) * width);
    return lines;
}

// Samples read a byte or three askew in the other byte order pair the
// upper byte with a neighbour's lower ones; only the carries tell, also
// where the neighbours are the other bands of a pixel, and where all the
// lower bytes of 32-bit samples are noise.
TEST(CarryStep, TellsBytesPairedRightFromPairedAcross)
{
    struct Samples {
        int32_t width;
        double level, wave, noise;
        double pairedBelow;  // the carry step read right stays below this
    };
    for (const Samples& kind : {Samples{2, 30000, 5000, 9, 0.2}, Samples{4, 2.9e9, 5e8, 4e6, 0.35}})
        for (const bool msbFirst : {false, true})
            for (const int bands : {1, 3}) {
                std::vector<uint8_t> bytes;
                uint32_t noise = 3;
                for (int64_t pixel = 0; pixel < 4000; ++pixel)
                    for (int b = 0; b < bands; ++b) {
                        const double level = kind.level + kind.wave * std::sin(static_cast<double>(pixel) / 97.0) +
                                             0.6 * kind.wave * b;
                        const double jitter = std::fmod(static_cast<double>(nextRandom(noise)), kind.noise);
                        put(bytes, static_cast<uint64_t>(level + jitter), kind.width, msbFirst);
                    }
                const Encoding right{kind.width, DataFormat::UnsignedInteger, msbFirst};
                const Encoding across{kind.width, DataFormat::UnsignedInteger, !msbFirst};
                const int64_t samples = 4000 * bands - 2;
                SCOPED_TRACE(std::to_string(kind.width) + " bytes, " + (msbFirst ? "msb" : "lsb") + ", bands " +
                             std::to_string(bands));
                const double paired = carryStep(bytes, right, runsFrom(0, 8, samples / 8, kind.width));
                const double askew = carryStep(bytes, across, runsFrom(kind.width - 1, 8, samples / 8, kind.width));
                ASSERT_GE(paired, 0);
                EXPECT_LT(paired, kind.pairedBelow);
                EXPECT_LT(paired, 0.6 * askew);
                EXPECT_GT(askew, 0.7);
            }
}

// 32-bit samples of three bands by pixel, small numbers that cross zero now
// and then, or bands of their own signs: their upper bytes are 0 or 255,
// and the next sample is another band. A pad that is not a whole number of
// samples moves the bytes' places from line to line; only within stretches
// of a line are the bytes of each place of one kind.
TEST(SampleWidth, PadsMovingTheBytesFromLineToLine)
{
    for (const bool ownSigns : {false, true})
        for (const int64_t pad : {0, 6, 15}) {
            std::vector<uint8_t> bytes;
            uint32_t noise = 5;
            for (int64_t line = 0; bytes.size() < (size_t{1} << 20); ++line) {
                for (int64_t pixel = 0; pixel < 2476; ++pixel)
                    for (int band = 0; band < 3; ++band) {
                        const double along = static_cast<double>(pixel + 3 * line) / 150.0 + band;
                        const double level = ownSigns ? (band == 1 ? -6000 : 2000) + 300 * std::sin(along)
                                                      : 1e6 + 2e6 * std::sin(along);
                        const auto value = static_cast<int64_t>(level) + nextRandom(noise) % (ownSigns ? 200 : 200000);
                        put(bytes, static_cast<uint64_t>(value), 4, false);
                    }
                for (int64_t p = 0; p < pad; ++p) bytes.push_back(static_cast<uint8_t>(line));
            }
            EXPECT_EQ(sampleWidth(bytes), 4) << (ownSigns ? "bands of their own signs" : "crossing zero") << ", pad " << pad;
        }
}

// 16-bit samples about zero turn their upper byte from 0 to 255 and back
// wherever they cross it: a step of one, not of 255, or a wider sample's
// quietest lane looks as calm.
TEST(SampleWidth, UpperBytesCrossingZero)
{
    for (const int64_t pad : {0, 1}) {
        std::vector<uint8_t> bytes;
        uint32_t noise = 3;
        for (int64_t line = 0; bytes.size() < (size_t{1} << 18); ++line) {
            for (int64_t s = 0; s < 4386; ++s) {
                const double level = 60 * std::sin(static_cast<double>(s + line) / 400.0) + 20;
                put(bytes, static_cast<uint64_t>(static_cast<int64_t>(level) + static_cast<int64_t>(nextRandom(noise) % 9) - 4), 2, true);
            }
            for (int64_t p = 0; p < pad; ++p) bytes.push_back(0);
        }
        EXPECT_EQ(sampleWidth(bytes), 2) << "pad " << pad;
    }
}

// A flat picture of 32-bit samples: every lag that keeps the samples
// aligned differs little against the lags that do not, so only aligned
// lags show which one repeats the lines.
TEST(RecordLengths, TheLineOfAFlatPictureStandsOutAmongAlignedLags)
{
    constexpr int64_t width = 1167, lines = 400;
    std::vector<uint8_t> bytes;
    uint32_t noise = 5;
    for (int64_t l = 0; l < lines; ++l)
        for (int64_t s = 0; s < width; ++s) {
            // A white page with a dark disc, as a logo is drawn.
            const double dx = static_cast<double>(s - 500), dy = static_cast<double>(l - 200);
            const double level = dx * dx + dy * dy < 150.0 * 150.0 ? 2e7 : 9e7;
            put(bytes, static_cast<uint64_t>(1e9 + level + static_cast<double>(nextRandom(noise) % 40000)), 4, false);
        }
    const std::vector<LagFit> lags = recordLengths(bytes, 4, 64 * 4, 1 << 17, 6, {});
    ASSERT_FALSE(lags.empty());
    const auto line = std::find_if(lags.begin(), lags.end(), [](const LagFit& f) { return f.lag == width * 4; });
    ASSERT_NE(line, lags.end());
    for (const LagFit& fit : lags) {
        if (fit.lag < line->lag) {
            EXPECT_LT(fit.contrast, 0.5 * line->contrast) << fit.lag;
        }
    }
}

// A lag about twice one as deep is believed half as well, also where each
// was found a pixel to one side (diagonals of a smooth picture, leaning
// either way) and only a lag alike makes the multiple exact; not where its
// samples are clearly closer to those a record on.
TEST(RecordLengths, ALagTwiceAnotherIsBelievedLess)
{
    struct Pair {
        LagFit fraction, lag;
        double changeAtLag;  // the change at the fraction is 10
        bool halved;
    };
    const LagFit line{9156, 0.99, 0.99, {}}, lineDiagonal{9153, 0.99, 0.99, {9156}};
    for (const Pair& p : {Pair{line, {18312, 0.99, 0.99, {}}, 10, true},
                          Pair{lineDiagonal, {18315, 0.99, 0.99, {18312}}, 10, true},
                          Pair{lineDiagonal, {18315, 0.99, 0.99, {}}, 10, false},
                          Pair{line, {18312, 0.99, 0.99, {}}, 5, false}}) {
        const std::vector<LagFit> lags{p.fraction, p.lag};
        const double weight = lagWeight(lags, 1, [&](int64_t lag) { return lag == p.lag.lag ? p.changeAtLag : 10.0; }, 1);
        EXPECT_DOUBLE_EQ(weight, p.halved ? 0.5 : 1.0) << p.fraction.lag << " and " << p.lag.lag;
    }
}

// A small picture behind a header of zeros as long as itself: the zeros
// repeat at every lag, so the picture alone must show its lines.
TEST(RecordLengths, ASmallPictureBehindAsLongAHeaderOfZeros)
{
    constexpr int64_t width = 126, lines = 48;
    std::vector<uint8_t> bytes(6000, 0);
    for (int64_t l = 0; l < lines; ++l)
        for (int64_t s = 0; s < width; ++s)
            put(bytes, static_cast<uint64_t>(128 + 70 * std::sin(static_cast<double>(l) / 37.0) *
                                                       std::cos(static_cast<double>(s) / 13.0) +
                                             40 * std::sin(static_cast<double>(s * s) / 700.0)),
                1, false);
    const std::vector<LagFit> lags = recordLengths(bytes, 1, 64, 1 << 17, 6, {});
    ASSERT_FALSE(lags.empty());
    EXPECT_EQ(lags.front().lag, width);
}

// A smooth surface with noise in its low bytes: a diagonal a sample or two
// along repeats the bytes about as well as the line below, but its values
// differ more. Also where a record is not a whole number of samples and the
// samples start at another byte of the width in each record.
TEST(RecordLengths, TheLineBelowIsCloserThanADiagonal)
{
    constexpr int64_t samples = 1000, lines = 400;
    for (const int64_t pad : {0, 3}) {
        std::vector<uint8_t> bytes;
        uint32_t noise = 7;
        for (int64_t l = 0; l < lines; ++l) {
            for (int64_t s = 0; s < samples; ++s) {
                const double x = static_cast<double>(s), y = static_cast<double>(l);
                const double level = 3e4 * std::sin(x / 23.0) * std::cos(y / 19.0) + 1e4 * std::sin((x + y) / 31.0);
                put(bytes, static_cast<uint64_t>(1.9e9 + level + static_cast<double>(nextRandom(noise) % 2000)), 4, true);
            }
            for (int64_t b = 0; b < pad; ++b) bytes.push_back(static_cast<uint8_t>(nextRandom(noise)));
        }
        const int64_t record = samples * 4 + pad;
        const SampleCodes codes = sampleCodes(bytes, 0, {4, DataFormat::UnsignedInteger, true}, {1.85e9, 1.95e9});
        for (const int64_t off : {-8, 4, 8, 0, 28}) {
            SCOPED_TRACE("pad " + std::to_string(pad) + ", lag off by " + std::to_string(off));
            const LagFit found = steadiestNeighbour(codes, LagFit{record + off, 0.5, 0.5, {}}, 4, 64 * 4);
            EXPECT_EQ(found.lag, record);
            EXPECT_TRUE(std::none_of(found.alike.begin(), found.alike.end(),
                                     [&](int64_t lag) { return std::abs(lag - record) <= 4; }));
        }
    }
}

// Pixels of three bands whose colours differ more than a line's end and the
// next line's start do: the line starts where a sample differs most from
// the nearest samples of its band (here the first band jumps the farthest),
// not from the band beside it. The file's end says nothing (bytes are left
// over).
TEST(LineShapes, PixelsOfThreeBandsStartTheirLineAtTheJump)
{
    constexpr int64_t pixels = 700, lines = 300, header = 1234;
    std::vector<uint8_t> bytes(header, 0);
    uint32_t noise = 9;
    for (int64_t l = 0; l < lines; ++l)
        for (int64_t p = 0; p < pixels; ++p)
            for (const auto& [colour, rise] : {std::pair{20.0, 60.0}, std::pair{120.0, 30.0}, std::pair{200.0, 30.0}}) {
                const double x = static_cast<double>(p);
                bytes.push_back(static_cast<uint8_t>(colour + rise * x / pixels + 10 * std::sin(static_cast<double>(l) / 17.0) +
                                                     static_cast<double>(nextRandom(noise) % 3)));
            }
    const int64_t record = pixels * 3;
    const SampleCodes codes = sampleCodes(bytes, 0, {1, DataFormat::UnsignedInteger, false}, {0, 255});
    const auto shape = lineShape(codes, record, 1, 0, std::ssize(bytes) + 7);
    ASSERT_TRUE(shape.has_value());
    EXPECT_EQ(shape->pad, 0);
    EXPECT_EQ((shape->lineStart - header) % record, 0) << shape->lineStart;
}

}  // namespace

// A value's rank is its share of the values below it, also where one wild
// value (a pad read as a real) stretches the range far beyond the rest.
TEST(ValueRanks, RankAmongValuesFarFromAnOutlier)
{
    for (const double outlier : {0.0, -3e28, 3e28, -1e300}) {
        std::vector<double> values;
        for (int i = 0; i < 1000; ++i) values.push_back(2200 + 0.01 * i);
        if (outlier != 0) values.push_back(outlier);
        const ValueRanks ranks(values);
        const double share = outlier < 0 ? 1.0 / 1000 : 0;  // the outlier's own place
        for (const int i : {1, 250, 500, 750, 998})
            EXPECT_NEAR(ranks(2200 + 0.01 * i), share + i / 1000.0, 2e-3) << outlier << " " << i;
    }
}

namespace {

constexpr int64_t pictureLines = 64, pictureSamples = 1000;

// The readings of a picture of 32-bit (or `width`-byte) samples, ranked:
// `bitsAt` gives the bits of each sample from its line, its sample and a
// random 0..999.
std::vector<EncodingFit> rankedPicture(bool msbFirst, uint32_t seed,
                                       const std::function<uint32_t(int64_t, int64_t, double)>& bitsAt,
                                       int32_t width = 4)
{
    std::vector<uint8_t> bytes;
    uint32_t state = seed;
    for (int64_t l = 0; l < pictureLines; ++l)
        for (int64_t s = 0; s < pictureSamples; ++s)
            put(bytes, bitsAt(l, s, static_cast<double>(nextRandom(state) % 1000)), width, msbFirst);
    return rankEncodingsAt(bytes, width, runsFrom(0, pictureLines, pictureSamples, width));
}

}  // namespace

// Reals of both signs read as integers keep their order only above zero:
// however the two halves of a picture bend, the real reading goes first.
TEST(RankEncodings, RealsOfBothSignsGoBeforeTheirIntegerReadings)
{
    for (const bool msbFirst : {false, true}) {
        const auto fits = rankedPicture(msbFirst, 11, [](int64_t l, int64_t s, double random) {
            // A bright, flat half with noise beside a dark half across zero.
            const double noise = random / 500.0 - 1.0;
            const double value = s < pictureSamples / 2 ? 182 + 0.1 * noise
                                                        : 140 * std::sin(static_cast<double>(s + 3 * l) / 20.0) + noise;
            const auto real = static_cast<float>(value);
            uint32_t bits;
            std::memcpy(&bits, &real, 4);
            return bits;
        });
        EXPECT_EQ(fits.front().encoding.format, DataFormat::Real) << msbFirst << " " << fits.front().roughness;
        EXPECT_EQ(fits.front().encoding.msbFirst, msbFirst);
    }
}

// Negative integers read as reals run the other way: a picture whose
// changes grow towards its dark end bends the real reading towards its
// bright end, where a power of two it crosses bends it back, so the reals
// look the less bent. Their values, far beyond what images hold, tell.
TEST(RankEncodings, NegativeIntegersGoBeforeTheirRealReadingBentTheOtherWay)
{
    for (const bool msbFirst : {false, true}) {
        const auto fits = rankedPicture(msbFirst, 5, [](int64_t l, int64_t s, double random) {
            const double level = 0.5 + 0.45 * std::sin(static_cast<double>(s) / 40.0 + static_cast<double>(l) / 60.0);
            const double noise = random / 1000.0 - 0.5;
            // about a power of two of the reals (bytes D6 00 00 00)
            const double value = -704643072.0 + (level - 0.5) * 6e6 + (1 - level) * (1 - level) * 8e5 * noise;
            return static_cast<uint32_t>(static_cast<int32_t>(value));
        });
        EXPECT_NE(fits.front().encoding.format, DataFormat::Real) << msbFirst << " " << fits.front().roughness;
    }
}

// 16-bit samples below the top bit read alike signed and unsigned: a
// picture that comes within its spread of zero may dip below it where no
// line was read, which only the signed reading keeps whole; far from zero
// (or with the top bit set, far from -1) the unsigned reading goes first.
TEST(RankEncodings, SignedFirstForValuesNearZero)
{
    struct Tie {
        double low, high;  // of the picture, as signed numbers
        DataFormat first;
    };
    for (const Tie tie : {Tie{900, 4000, DataFormat::SignedInteger}, Tie{20000, 23000, DataFormat::UnsignedInteger},
                          Tie{-17000, -1300, DataFormat::UnsignedInteger}})
        for (const bool msbFirst : {false, true}) {
            const auto fits = rankedPicture(msbFirst, 3, [&](int64_t l, int64_t s, double random) {
                const double level = 0.5 + 0.45 * std::sin(static_cast<double>(s) / 40.0 + static_cast<double>(l) / 60.0);
                return static_cast<uint32_t>(std::lround(tie.low + (tie.high - tie.low) * level + random / 100.0));
            }, 2);
            EXPECT_EQ(fits.front().encoding.format, tie.first) << tie.low << " " << msbFirst;
            EXPECT_EQ(fits.front().encoding.msbFirst, msbFirst) << tie.low;
        }
}
