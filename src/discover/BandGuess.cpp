#include "discover/BandGuess.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

namespace skeldra {

namespace {

constexpr int64_t bandCounts[] = {3, 2, 4};
constexpr int64_t maxLines = 32;
constexpr int64_t maxSamples = 4096;

// Mean difference between samples `lag` apart within the lines of the window.
double lagChange(const SampleCodes& window, const LineShape& shape, int32_t width, int64_t lag)
{
    const int64_t first = shape.lineStart - window.offset;
    int64_t sum = 0, count = 0;
    for (int64_t l = 0; l < maxLines; ++l) {
        const int64_t start = first + l * shape.recordBytes;
        const int64_t samples = shape.lineSamples;
        if (start < 0 || start + samples * width >= static_cast<int64_t>(window.code.size())) break;
        for (int64_t s = 0; s + lag < samples; s += std::max<int64_t>(1, samples / maxSamples)) {
            sum += codeDistance(window.code[static_cast<size_t>(start + s * width)],
                                window.code[static_cast<size_t>(start + (s + lag) * width)]);
            ++count;
        }
    }
    return count > 0 ? static_cast<double>(sum) / static_cast<double>(count) : 0;
}

// Mean difference between the records at two file positions.
double recordsChange(const LineShape& shape, int32_t width, int64_t first, int64_t second,
                     const CodeReader& readCodes)
{
    const int64_t samples = std::min(shape.lineSamples, maxSamples);
    const SampleCodes a = readCodes(first, samples * width), b = readCodes(second, samples * width);
    if (std::ssize(a.code) < (samples - 1) * width + 1 || std::ssize(b.code) < (samples - 1) * width + 1) return 0;
    int64_t sum = 0;
    for (int64_t s = 0; s < samples; ++s)
        sum += codeDistance(a.code[static_cast<size_t>(s * width)], b.code[static_cast<size_t>(s * width)]);
    return static_cast<double>(sum) / static_cast<double>(samples);
}

// How much closer the same sample of the bands lies than samples a little
// askew: bands of one scene resemble each other where they show the same
// pixel. `distance` is the value of a comparison at an offset from the
// band's distance; offset 0 is the band's own.
double likenessAtBandDistance(const std::function<double(int64_t)>& distance)
{
    constexpr int64_t askew[] = {-7, -3, 3, 7};
    double around = 0;
    for (int64_t offset : askew) around += distance(offset);
    return (around / std::size(askew) + 0.5) / (distance(0) + 0.5);
}

std::string fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The better supported of two tests of one band layout.
BandGuess stronger(BandGuess a, BandGuess b)
{
    return a.margin >= b.margin ? a : b;
}

}  // namespace

std::vector<BandGuess> guessBands(const SampleCodes& window, const LineShape& shape, int32_t width,
                                  int64_t headerBytes, int64_t records, const CodeReader& readCodes)
{
    // What counts as standing out differs by test: a same-band neighbour
    // clearly closer (BIP), a jump of several usual steps where a band
    // ends (bands of different levels), or the same pixel of the next band
    // clearly closer than the pixels beside it (bands of one scene).
    auto jumpMargin = [](double jump) { return jump - 3.0; };
    auto likenessMargin = [](double likeness) { return (likeness - 1.5) * 4.0; };
    std::vector<BandGuess> guesses;
    const double neighbour = lagChange(window, shape, width, 1) + 0.5;
    const double lineChange = shape.lineChange + 0.5;
    for (int64_t bands : bandCounts) {
        if (shape.lineSamples % bands != 0 || shape.lineSamples / bands < 2) continue;
        const int64_t perBand = shape.lineSamples / bands;
        const std::string count = std::to_string(bands);

        const double sameBand = neighbour / (lagChange(window, shape, width, bands) + 0.5);
        guesses.push_back({bands, BandStructure::BIP, (sameBand - 1.0) * 8.0,
                           "a pixel's " + count + " neighbouring samples differ " + fixed(sameBand) +
                               " times more than the same band's next pixel"});

        double bilJump = 1e300, bilLikeness = 1e300;
        for (int64_t k = 1; k < bands; ++k) {
            bilJump = std::min(bilJump, shape.step[static_cast<size_t>(k * perBand * width)] / shape.sampleChange);
            bilLikeness = std::min(bilLikeness, likenessAtBandDistance([&](int64_t offset) {
                                       return lagChange(window, shape, width, k * perBand + offset);
                                   }));
        }
        guesses.push_back(stronger(
            {bands, BandStructure::BIL, jumpMargin(bilJump),
             "each line jumps " + fixed(bilJump) + " times the usual step where a band's line ends"},
            {bands, BandStructure::BIL, likenessMargin(bilLikeness),
             "each sample is " + fixed(bilLikeness) + " times closer to the sample " + std::to_string(perBand) +
                 " further on than to those beside it"}));

        if (records % bands != 0 || records / bands < 3) continue;
        const int64_t bandLines = records / bands;
        double bsqJump = 1e300, bsqLikeness = 1e300;
        for (int64_t k = 1; k < bands; ++k) {
            const int64_t boundary = headerBytes + (k * bandLines - 1) * shape.recordBytes;
            const double across = recordsChange(shape, width, boundary, boundary + shape.recordBytes, readCodes);
            const double before = recordsChange(shape, width, boundary - shape.recordBytes, boundary, readCodes) + 0.5;
            bsqJump = std::min(bsqJump, across / std::max(before, lineChange));
            const int64_t here = headerBytes + bandLines / 2 * shape.recordBytes;
            bsqLikeness = std::min(bsqLikeness, likenessAtBandDistance([&](int64_t offset) {
                                       const int64_t there = here + (k * bandLines + offset) * shape.recordBytes;
                                       return recordsChange(shape, width, here, there, readCodes);
                                   }));
        }
        guesses.push_back(stronger(
            {bands, BandStructure::BSQ, jumpMargin(bsqJump),
             "the lines jump " + fixed(bsqJump) + " times the usual change at every " + std::to_string(bandLines) +
                 "th line"},
            {bands, BandStructure::BSQ, likenessMargin(bsqLikeness),
             "each line is " + fixed(bsqLikeness) + " times closer to the line " + std::to_string(bandLines) +
                 " further on than to those beside it"}));
    }
    std::stable_sort(guesses.begin(), guesses.end(),
                     [](const BandGuess& a, const BandGuess& b) { return a.margin > b.margin; });
    auto firstWeak = std::find_if(guesses.begin(), guesses.end(), [](const BandGuess& g) { return g.margin <= 0; });
    guesses.insert(firstWeak, BandGuess{});
    return guesses;
}

}  // namespace skeldra
