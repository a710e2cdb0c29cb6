// SPDX-License-Identifier: BSD-3-Clause
#include "discover/BandGuess.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>

namespace skeldra {

namespace {

constexpr int64_t bandCounts[] = {3, 2, 4};
constexpr int64_t maxLines = 32;
constexpr int64_t maxSamples = 4096;
constexpr int64_t bsqLines = 8;

// Where up to `maxLines` whole lines of the window start, the first at
// `first`, spread over the window: a picture's lines in one place may all
// be its flat ground.
std::vector<int64_t> linesOfWindow(const SampleCodes& window, const LineShape& shape, int64_t first, int32_t width)
{
    const int64_t lineEnd = shape.lineSamples * width;
    if (first < 0) first += (-first + shape.recordBytes - 1) / shape.recordBytes * shape.recordBytes;
    const int64_t room = std::ssize(window.code) - lineEnd - first;
    const int64_t whole = room < 0 ? 0 : room / shape.recordBytes + 1;
    const int64_t stride = std::max<int64_t>(1, whole / maxLines);
    std::vector<int64_t> starts;
    for (int64_t l = 0; l < maxLines && l * stride < whole; ++l) starts.push_back(first + l * stride * shape.recordBytes);
    return starts;
}

// Mean difference between samples `lag` apart within the lines of the window
// from the first at `first`.
double lagChange(const SampleCodes& window, const LineShape& shape, int64_t first, int32_t width, int64_t lag)
{
    int64_t sum = 0, count = 0;
    for (const int64_t start : linesOfWindow(window, shape, first, width)) {
        const int64_t samples = shape.lineSamples;
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

// Bands of one scene have their edges in the same places, whatever their
// levels: the changes along a band's line go with the changes along the next
// band's line at the same samples. Changes over a few samples, so that the
// noise of single samples does not hide the edges; or, where the noise hides
// a smooth surface's changes over any few samples, changes between the means
// of neighbouring blocks of `step` samples.
class EdgeCorrelation {
public:
    explicit EdgeCorrelation(int64_t step = 4, bool blockMeans = false) : step(step), blockMeans(blockMeans) {}
    const int64_t step;
    const bool blockMeans;

    // Two runs of `samples` codes, `width` bytes apart.
    void add(const int16_t* a, const int16_t* b, int64_t samples, int32_t width)
    {
        if (blockMeans) return addBlocks(a, b, samples, width);
        const int64_t stride = std::max<int64_t>(1, samples / maxSamples);
        for (int64_t s = 0; s + step < samples; s += stride)
            add(a[(s + step) * width] - a[s * width], b[(s + step) * width] - b[s * width]);
    }

    double value() const
    {
        if (n_ < 16) return 0;
        const double cov = xy_ - x_ * y_ / n_, vx = xx_ - x_ * x_ / n_, vy = yy_ - y_ * y_ / n_;
        return vx > 0 && vy > 0 ? cov / std::sqrt(vx * vy) : 0;
    }

private:
    void add(double x, double y) { n_ += 1, x_ += x, y_ += y, xx_ += x * x, yy_ += y * y, xy_ += x * y; }

    void addBlocks(const int16_t* a, const int16_t* b, int64_t samples, int32_t width)
    {
        auto blockSum = [&](const int16_t* codes, int64_t first) {
            double sum = 0;
            for (int64_t s = first; s < first + step; ++s) sum += codes[s * width];
            return sum;
        };
        double lastA = 0, lastB = 0;
        for (int64_t first = 0; first + step <= samples; first += step) {
            const double sumA = blockSum(a, first), sumB = blockSum(b, first);
            if (first > 0) add(sumA - lastA, sumB - lastB);
            lastA = sumA, lastB = sumB;
        }
    }

    double n_ = 0, x_ = 0, y_ = 0, xx_ = 0, yy_ = 0, xy_ = 0;
};

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

// What counts as standing out differs by test: a same-band neighbour
// clearly closer (BIP), a jump of several usual steps where a band ends
// (bands of different levels), or edges that fall in the same places in
// the next band (bands of one scene).
double jumpMargin(double jump)
{
    return jump - 3.0;
}

double edgeMargin(double correlationAbove)
{
    return (correlationAbove - 0.15) * 20.0;
}

BandGuess bipGuess(const SampleCodes& window, const LineShape& shape, int64_t firstLine, int32_t width, int64_t bands)
{
    const double neighbour = lagChange(window, shape, firstLine, width, 1) + 0.5;
    const double sameBand = neighbour / (lagChange(window, shape, firstLine, width, bands) + 0.5);
    // Where neighbours differ like noise, every lag is alike within a tenth.
    return {bands, BandStructure::BIP, (sameBand - 1.1) * 8.0,
            "a pixel's " + std::to_string(bands) + " neighbouring samples differ " + fixed(sameBand) +
                " times more than the same band's next pixel"};
}

// How much more the edges of a band's line go with those a band further on
// than with those askew there, `askew` and up to `reach` times as far either
// way: bands of one scene share their edges exactly, while lines of one
// picture far apart may merely share its large features, and a smooth
// picture's few large features go together now here, now there, by chance.
// Edges askew that go against each other make no likeness at the band's
// distance: a weak one must stand out from none at all. `correlationAt`
// gives the correlation at an offset from the band's distance, in samples
// (BIL) or lines (BSQ).
double edgesAlike(const std::function<double(int64_t)>& correlationAt, int64_t askew, int64_t reach = 1)
{
    double beside = 0;
    for (int64_t times = 1; times <= reach; times *= 2)
        beside = std::max({beside, correlationAt(-times * askew), correlationAt(times * askew)});
    return correlationAt(0) - beside;
}

// The mean step from each sample of a line to the one before it, over
// lines spread over the whole image, and the median of those steps: the
// window's rows may lie where the bands' ends happen to meet. The window's
// steps where no line can be read.
struct LineSteps {
    std::vector<double> step;
    double typical = 1;
};

LineSteps lineSteps(const LineShape& shape, int32_t width, int64_t headerBytes, int64_t records,
                    const CodeReader& readCodes)
{
    const int64_t samples = shape.lineSamples, lineBytes = samples * width;
    LineSteps steps{std::vector<double>(static_cast<size_t>(samples), 0.0), shape.sampleChange};
    int64_t read = 0;
    for (int64_t l = 0; l < maxLines && records > 0; ++l) {
        const SampleCodes line = readCodes(headerBytes + records * l / maxLines * shape.recordBytes, lineBytes);
        if (std::ssize(line.code) < lineBytes - width + 1) continue;
        for (int64_t s = 1; s < samples; ++s)
            steps.step[static_cast<size_t>(s)] += codeDistance(line.code[static_cast<size_t>(s * width)],
                                                               line.code[static_cast<size_t>((s - 1) * width)]);
        ++read;
    }
    if (read == 0) {
        for (int64_t s = 1; s < samples; ++s) steps.step[static_cast<size_t>(s)] = shape.step[static_cast<size_t>(s * width)];
        return steps;
    }
    for (double& step : steps.step) step /= static_cast<double>(read);
    std::vector<double> sorted(steps.step.begin() + 1, steps.step.end());
    steps.typical = quantile(sorted, 0.5) + 1;
    return steps;
}

// How many times the usual step a line jumps where a band's line would
// end. A picture of blocks (a grid of colours) jumps about as far at many of
// its edges: a jump counts only where no more of the line's steps come near
// it than there are bands (the bands' ends and one to spare).
double boundaryJump(const LineSteps& steps, int64_t boundary, int64_t bands)
{
    const double at = steps.step[static_cast<size_t>(boundary)];
    int64_t asLarge = 0;
    for (size_t s = 1; s < steps.step.size() && asLarge <= bands; ++s) asLarge += steps.step[s] >= 0.8 * at ? 1 : 0;
    return asLarge <= bands ? at / steps.typical : 0;
}

BandGuess bilGuess(const SampleCodes& window, const LineShape& shape, const LineSteps& steps, int64_t firstLine,
                   int32_t width, int64_t bands)
{
    const int64_t perBand = shape.lineSamples / bands;
    double jump = 1e300, alike = 1;
    for (int64_t k = 1; k < bands; ++k) {
        jump = std::min(jump, boundaryJump(steps, k * perBand, bands));
        if (perBand < 32) {
            alike = 0;
            continue;
        }
        auto alikeOver = [&](int64_t step, bool blockMeans = false) {
            return edgesAlike([&](int64_t offset) {
                EdgeCorrelation edges(step, blockMeans);
                const int64_t samples = perBand - std::abs(offset);
                for (const int64_t start : linesOfWindow(window, shape, firstLine, width)) {
                    const int16_t* line = window.code.data() + start + std::max<int64_t>(0, -offset) * width;
                    edges.add(line, line + (k * perBand + offset) * width, samples, width);
                }
                return edges.value();
            }, 2 * step, 4);
        };
        // Over 4 samples and, in lines long enough to tell chance from
        // likeness, over 16 and between means of 64: the noise of a smooth
        // surface hides its edges over a few samples. Shorter blocks would
        // line up with the pixels of an enlarged picture.
        double best = perBand >= 512 ? std::max(alikeOver(4), alikeOver(16)) : alikeOver(4);
        if (perBand >= 32 * 64) best = std::max(best, alikeOver(64, true));
        alike = std::min(alike, best);
    }
    return stronger({bands, BandStructure::BIL, jumpMargin(jump),
                     "each line jumps " + fixed(jump) + " times the usual step where a band's line ends"},
                    {bands, BandStructure::BIL, edgeMargin(alike),
                     "the edges along each band's line fall where they do a band's line further on "
                     "(correlation " + fixed(alike) + " above that of samples beside them)"});
}

BandGuess bsqGuess(const LineShape& shape, int32_t width, int64_t headerBytes, int64_t records, int64_t bands,
                   const CodeReader& readCodes)
{
    const int64_t bandLines = records / bands;
    const int64_t lineBytes = shape.lineSamples * width;
    const double lineChange = shape.lineChange + 0.5;
    double jump = 1e300, alike = 1;
    for (int64_t k = 1; k < bands; ++k) {
        const int64_t boundary = headerBytes + (k * bandLines - 1) * shape.recordBytes;
        const double across = recordsChange(shape, width, boundary, boundary + shape.recordBytes, readCodes);
        const double before = recordsChange(shape, width, boundary - shape.recordBytes, boundary, readCodes) + 0.5;
        jump = std::min(jump, across / std::max(before, lineChange));
        // Lines beside the band's distance must lie within the bands; in a
        // tall band they lie further off, as a picture enlarged from a
        // smaller one repeats its lines.
        if (bandLines < 20) {
            alike = 0;
            continue;
        }
        const int64_t askew = std::max<int64_t>(6, bandLines / 64);
        alike = std::min(alike, edgesAlike([&](int64_t offset) {
            EdgeCorrelation edges;
            for (int64_t l = 0; l < bsqLines; ++l) {
                const int64_t line = (bandLines - 2 * askew - 4) * (l + 1) / (bsqLines + 1) + askew + 2;
                const int64_t here = headerBytes + line * shape.recordBytes;
                const SampleCodes a = readCodes(here, lineBytes);
                const SampleCodes b = readCodes(here + (k * bandLines + offset) * shape.recordBytes, lineBytes);
                if (std::ssize(a.code) + width < lineBytes || std::ssize(b.code) + width < lineBytes) continue;
                edges.add(a.code.data(), b.code.data(), shape.lineSamples, width);
            }
            return edges.value();
        }, askew));
    }
    return stronger({bands, BandStructure::BSQ, jumpMargin(jump),
                     "the lines jump " + fixed(jump) + " times the usual change at every " +
                         std::to_string(bandLines) + "th line"},
                    {bands, BandStructure::BSQ, edgeMargin(alike),
                     "the edges along each line fall where they do " + std::to_string(bandLines) +
                         " lines further on (correlation " + fixed(alike) + " above that of lines beside them)"});
}

}  // namespace

std::vector<BandGuess> guessBands(const SampleCodes& window, const LineShape& shape, int32_t width,
                                  int64_t headerBytes, int64_t records, const CodeReader& readCodes)
{
    std::vector<BandGuess> guesses;
    // The image's first line in the window: lines of a header would drown
    // the image's likenesses in their noise.
    const int64_t firstLine = firstLineFrom(headerBytes, shape.recordBytes, window.offset) - window.offset;
    const LineSteps steps = lineSteps(shape, width, headerBytes, records, readCodes);
    for (int64_t bands : bandCounts) {
        if (shape.lineSamples % bands == 0 && shape.lineSamples / bands >= 2) {
            guesses.push_back(bipGuess(window, shape, firstLine, width, bands));
            guesses.push_back(bilGuess(window, shape, steps, firstLine, width, bands));
        }
        // A band of BSQ is whole lines: its samples need not divide by the bands.
        if (records % bands == 0 && records / bands >= 3)
            guesses.push_back(bsqGuess(shape, width, headerBytes, records, bands, readCodes));
    }
    std::stable_sort(guesses.begin(), guesses.end(),
                     [](const BandGuess& a, const BandGuess& b) { return a.margin > b.margin; });
    auto firstWeak = std::find_if(guesses.begin(), guesses.end(), [](const BandGuess& g) { return g.margin <= 0; });
    guesses.insert(firstWeak, BandGuess{});
    return guesses;
}

}  // namespace skeldra
