#include "discover/BandGuess.h"

#include <algorithm>

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
        const int64_t samples = std::min(shape.lineSamples, maxSamples);
        if (start < 0 || start + samples * width >= static_cast<int64_t>(window.code.size())) break;
        for (int64_t s = 0; s + lag < samples; ++s) {
            sum += codeDistance(window.code[static_cast<size_t>(start + s * width)],
                                window.code[static_cast<size_t>(start + (s + lag) * width)]);
            ++count;
        }
    }
    return count > 0 ? static_cast<double>(sum) / static_cast<double>(count) : 0;
}

// Mean difference between two consecutive records at a file position.
double recordChange(const LineShape& shape, int32_t width, int64_t position, const CodeReader& readCodes)
{
    const SampleCodes codes = readCodes(position, shape.recordBytes + (shape.lineSamples + 1) * width);
    const int64_t samples = std::min(shape.lineSamples, maxSamples);
    if (static_cast<int64_t>(codes.code.size()) < shape.recordBytes + samples * width) return 0;
    int64_t sum = 0;
    for (int64_t s = 0; s < samples; ++s)
        sum += codeDistance(codes.code[static_cast<size_t>(s * width)],
                            codes.code[static_cast<size_t>(shape.recordBytes + s * width)]);
    return static_cast<double>(sum) / static_cast<double>(samples);
}

std::string fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

std::vector<BandGuess> guessBands(const SampleCodes& window, const LineShape& shape, int32_t width,
                                  int64_t headerBytes, int64_t records, const CodeReader& readCodes)
{
    std::vector<BandGuess> guesses;
    const double neighbour = lagChange(window, shape, width, 1) + 0.5;
    const double lineChange = shape.lineChange + 0.5;
    for (int64_t bands : bandCounts) {
        if (shape.lineSamples % bands != 0 || shape.lineSamples / bands < 2) continue;
        const int64_t perBand = shape.lineSamples / bands;

        const double sameBand = lagChange(window, shape, width, bands) + 0.5;
        guesses.push_back({bands, BandStructure::BIP, neighbour / sameBand,
                           "a pixel's " + std::to_string(bands) + " neighbouring samples differ " +
                               fixed(neighbour / sameBand) + " times more than the same band's next pixel"});

        double bilJump = 1e300;
        for (int64_t k = 1; k < bands; ++k)
            bilJump = std::min(bilJump, shape.step[static_cast<size_t>(k * perBand * width)] / shape.sampleChange);
        guesses.push_back({bands, BandStructure::BIL, bilJump,
                           "each line jumps " + fixed(bilJump) + " times the usual step where a band's line ends"});

        if (records % bands != 0 || records / bands < 3) continue;
        const int64_t bandLines = records / bands;
        double bsqJump = 1e300;
        for (int64_t k = 1; k < bands; ++k) {
            const int64_t boundary = headerBytes + (k * bandLines - 1) * shape.recordBytes;
            const double across = recordChange(shape, width, boundary, readCodes);
            const double before = recordChange(shape, width, boundary - shape.recordBytes, readCodes) + 0.5;
            bsqJump = std::min(bsqJump, across / std::max(before, lineChange));
        }
        guesses.push_back({bands, BandStructure::BSQ, bsqJump,
                           "the lines jump " + fixed(bsqJump) + " times the usual change at every " +
                               std::to_string(bandLines) + "th line"});
    }
    // What counts as standing out differs by test: a same-band neighbour
    // that is clearly closer, or a jump of several usual steps.
    auto margin = [](const BandGuess& g) {
        return g.structure == BandStructure::BIP ? (g.strength - 1.0) * 8.0 : (g.strength - 3.0);
    };
    std::stable_sort(guesses.begin(), guesses.end(),
                     [&](const BandGuess& a, const BandGuess& b) { return margin(a) > margin(b); });
    auto firstWeak = std::find_if(guesses.begin(), guesses.end(), [&](const BandGuess& g) { return margin(g) <= 0; });
    guesses.insert(firstWeak, BandGuess{});
    return guesses;
}

}  // namespace skeldra
