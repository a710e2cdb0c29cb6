#include "discover/SampleEncoding.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace skeldra {

namespace {


// Mean difference between bytes `lag` apart: smallest at the sample width,
// where each byte meets the same byte of the neighbouring sample.
double byteDistance(std::span<const uint8_t> bytes, size_t lag)
{
    int64_t sum = 0;
    for (size_t i = 0; i + lag < bytes.size(); ++i) sum += std::abs(int{bytes[i]} - int{bytes[i + lag]});
    return bytes.size() > lag ? static_cast<double>(sum) / static_cast<double>(bytes.size() - lag) : 0;
}

std::vector<Encoding> encodingsOfWidth(int32_t width)
{
    using F = DataFormat;
    switch (width) {
    case 1: return {{1, F::UnsignedInteger, false}};
    case 2: return {{2, F::UnsignedInteger, false}, {2, F::SignedInteger, false},
                    {2, F::UnsignedInteger, true},  {2, F::SignedInteger, true}};
    case 4: return {{4, F::UnsignedInteger, false}, {4, F::SignedInteger, false}, {4, F::Real, false},
                    {4, F::UnsignedInteger, true},  {4, F::SignedInteger, true},  {4, F::Real, true}};
    default: return {{8, F::Real, false}, {8, F::Real, true}};
    }
}

// Lines read from a record's start may run into its pad bytes, which need
// not read as ordinary reals.
constexpr double implausibleAllowance = 0.05;

// Reals as images usually hold them; integers read as reals rarely are.
bool ordinaryReal(double value)
{
    const double magnitude = std::abs(value);
    return std::isfinite(value) && (magnitude == 0 || (magnitude >= 1e-12 && magnitude <= 1e12));
}

// In numbers as images hold them, the less significant a byte, the more it
// changes from one sample to the next. A reading that pairs bytes of two
// neighbouring samples, or takes them in the wrong order, puts a quiet byte
// below a busy one, and can still look smooth when its top byte moves
// seldom. Counts the places where a byte changes clearly less than the
// byte above it.
int laneOrderBreaks(std::span<const uint8_t> bytes, const Encoding& encoding,
                    const std::vector<std::vector<int64_t>>& lines)
{
    const int32_t width = encoding.bytes;
    if (width == 1) return 0;
    std::vector<double> change(static_cast<size_t>(width), 0.0);
    for (const auto& line : lines)
        for (size_t s = 1; s < line.size(); ++s)
            for (int32_t lane = 0; lane < width; ++lane) {
                // lane 0 is the most significant byte of this reading
                const int64_t at = encoding.msbFirst ? lane : width - 1 - lane;
                const int d = std::abs(int{bytes[static_cast<size_t>(line[s] + at)]} -
                                       int{bytes[static_cast<size_t>(line[s - 1] + at)]});
                change[static_cast<size_t>(lane)] += std::min(d, 256 - d);
            }
    int breaks = 0;
    for (int32_t lane = 1; lane < width; ++lane)
        if (change[static_cast<size_t>(lane)] < 0.5 * change[static_cast<size_t>(lane - 1)]) ++breaks;
    return breaks;
}

EncodingFit fitEncoding(std::span<const uint8_t> bytes, const Encoding& encoding,
                        const std::vector<std::vector<int64_t>>& lines, int32_t alignment)
{
    EncodingFit fit{encoding, alignment, 0, {}, 0};
    struct LineReading {
        std::vector<double> changes;
        int64_t implausible = 0, total = 0;
    };
    std::vector<LineReading> readings;
    std::vector<double> values;
    int64_t ordinary = 0, total = 0, changeCount = 0;
    double changeSum = 0;
    for (const auto& line : lines) {
        LineReading reading;
        double previous = 0;
        bool havePrevious = false;
        for (int64_t start : line) {
            const double value = decodeValue(bytes.data() + start, encoding);
            ++reading.total;
            ordinary += ordinaryReal(value);
            if (implausibleValue(value, encoding)) {
                ++reading.implausible;
                havePrevious = false;
                continue;
            }
            values.push_back(value);
            if (havePrevious) {
                reading.changes.push_back(std::abs(value - previous));
                changeSum += reading.changes.back(), ++changeCount;
            }
            previous = value;
            havePrevious = true;
        }
        total += reading.total;
        if (reading.total > 0) readings.push_back(std::move(reading));
    }
    fit.ordinaryRealShare = total > 0 ? static_cast<double>(ordinary) / static_cast<double>(total) : 0;
    std::vector<double> sorted = values;
    const double low = quantile(sorted, 0.05), high = quantile(sorted, 0.95);
    const double spread = high - low;
    // A spread beyond the 5th and 95th percentile on each side rather than
    // the extremes: a few lines of header read as huge numbers must not
    // squeeze the image into a handful of codes, and the bright and dark
    // parts of a picture must not clamp into constant columns.
    fit.range = {low - spread, spread > 0 ? high + spread : low + 1};
    // Each line on its own, and the roughest quarter left out.
    std::vector<double> costs;
    for (const LineReading& reading : readings)
        costs.push_back(clippedMeanChange(reading.changes, spread) +
                        20 * std::max(0.0, static_cast<double>(reading.implausible) /
                                               static_cast<double>(reading.total) - implausibleAllowance));
    fit.roughness = meanOfSmoothest(std::move(costs)) + 0.5 * laneOrderBreaks(bytes, encoding, lines);
    fit.meanChange = changeCount > 0 ? changeSum / static_cast<double>(changeCount) : 0;

    // Samples that all have the top bit set read alike as unsigned and as
    // negative numbers; the tie goes to the unsigned reading (high counts
    // are common, large negative numbers are not) unless the negative
    // numbers lie close to zero.
    if (encoding.format != DataFormat::Real && encoding.bytes > 1 && !values.empty()) {
        const double half = std::ldexp(1.0, encoding.bytes * 8 - 1);
        const auto [least, most] = std::minmax_element(values.begin(), values.end());
        const bool unsignedTopBit = encoding.format == DataFormat::UnsignedInteger && *least >= half;
        const bool signedNegative = encoding.format == DataFormat::SignedInteger && *most < 0;
        const bool nearZero = unsignedTopBit ? *least >= 1.75 * half : *least >= -half / 4;
        if ((unsignedTopBit && nearZero) || (signedNegative && !nearZero)) fit.roughness *= 1.02;
    }
    return fit;
}

// Neighbour differences of a run relative to its spread, plus a penalty for
// implausible reals (samples read across their boundaries give many).
double runRoughness(const uint8_t* bytes, int64_t samples, const Encoding& encoding)
{
    double change = 0, low = 0, high = 0, previous = 0;
    int64_t plausible = 0;
    for (int64_t s = 0; s < samples; ++s) {
        const double value = decodeValue(bytes + s * encoding.bytes, encoding);
        if (implausibleValue(value, encoding)) continue;
        if (plausible == 0) low = high = value;
        else change += std::abs(value - previous);
        low = std::min(low, value);
        high = std::max(high, value);
        previous = value;
        ++plausible;
    }
    const double implausible = 1.0 - static_cast<double>(plausible) / static_cast<double>(samples);
    return (high > low ? change / static_cast<double>(plausible) / (high - low) : 1.0) + 2 * implausible;
}

// Short runs of samples spread over the window, each at the alignment that
// reads smoothest within it, since pads may shift the alignment from line
// to line.
std::vector<std::vector<int64_t>> smoothestRuns(std::span<const uint8_t> bytes, const Encoding& encoding)
{
    constexpr int64_t runSamples = 256, maxRuns = 256;
    const int32_t width = encoding.bytes;
    const int64_t runBytes = runSamples * width + width;
    const auto size = static_cast<int64_t>(bytes.size());
    std::vector<std::vector<int64_t>> runs;
    if (size < runBytes) return runs;
    const int64_t count = std::min<int64_t>(maxRuns, size / runBytes);
    const int64_t step = (size - runBytes) / std::max<int64_t>(1, count - 1);
    for (int64_t r = 0; r < count; ++r) {
        const int64_t start = r * step;
        double best = -1;
        int32_t chosen = 0;
        for (int32_t alignment = 0; alignment < width; ++alignment) {
            const double roughness = runRoughness(bytes.data() + start + alignment, runSamples, encoding);
            if (best < 0 || roughness < best) best = roughness, chosen = alignment;
        }
        std::vector<int64_t> run;
        for (int64_t s = 0; s < runSamples; ++s) run.push_back(start + chosen + s * width);
        runs.push_back(std::move(run));
    }
    return runs;
}

// A 32-bit integer reading competes with the real reading of the same
// bytes; where the reals are ordinary numbers, the reals are more likely.
void preferOrdinaryReals(std::vector<EncodingFit>& fits)
{
    for (EncodingFit& fit : fits) {
        if (fit.encoding.bytes != 4 || fit.encoding.format == DataFormat::Real) continue;
        const bool realsOrdinary = std::any_of(fits.begin(), fits.end(), [&](const EncodingFit& other) {
            return other.encoding.format == DataFormat::Real && other.encoding.msbFirst == fit.encoding.msbFirst &&
                   other.alignment == fit.alignment && other.ordinaryRealShare > 0.9;
        });
        if (realsOrdinary) fit.roughness *= 1.5;
    }
}

// Signed and unsigned readings of the same bytes differ only where values
// cross the top bit, where one of them jumps by the whole range; relative to
// its own (then wide) spread that reading can still look smooth. In the
// values' own units the jumps tell: the reading without them goes first.
void preferFewerWraps(std::vector<EncodingFit>& fits)
{
    for (EncodingFit& fit : fits) {
        if (fit.encoding.format == DataFormat::Real) continue;
        for (const EncodingFit& twin : fits) {
            const bool sameBytes = twin.encoding.bytes == fit.encoding.bytes &&
                                   twin.encoding.msbFirst == fit.encoding.msbFirst &&
                                   twin.alignment == fit.alignment && twin.encoding.format != DataFormat::Real &&
                                   twin.encoding.format != fit.encoding.format;
            if (sameBytes && twin.meanChange < 0.8 * fit.meanChange)
                fit.roughness = std::max(fit.roughness, twin.roughness * 1.1);
        }
    }
}

// The readings in the order they are believed, smoothest first.
void rank(std::vector<EncodingFit>& fits)
{
    preferOrdinaryReals(fits);
    preferFewerWraps(fits);
    std::stable_sort(fits.begin(), fits.end(),
                     [](const EncodingFit& a, const EncodingFit& b) { return a.roughness < b.roughness; });
}

}  // namespace

bool implausibleValue(double value, const Encoding& encoding)
{
    if (encoding.format != DataFormat::Real) return false;
    if (!std::isfinite(value)) return true;
    const double magnitude = std::abs(value);
    return magnitude != 0 && (magnitude < 1e-30 || magnitude > 1e30);
}

double meanOfSmoothest(std::vector<double> costs)
{
    if (costs.empty()) return 10.0;
    std::sort(costs.begin(), costs.end());
    const size_t kept = std::max<size_t>(1, costs.size() - costs.size() / 4);
    return std::accumulate(costs.begin(), costs.begin() + static_cast<std::ptrdiff_t>(kept), 0.0) /
           static_cast<double>(kept);
}

double clippedMeanChange(const std::vector<double>& changes, double spread)
{
    if (changes.empty() || !(spread > 0)) return 10.0;
    double sum = 0;
    for (double change : changes) sum += std::min(change, spread);
    return sum / static_cast<double>(changes.size()) / spread;
}

std::vector<std::vector<int64_t>> runsOverLines(size_t size, int64_t first, int64_t record, int64_t samples,
                                                int32_t width)
{
    constexpr int64_t maxLines = 64, runs = 8, runSamples = 256;
    std::vector<std::vector<int64_t>> lines;
    const int64_t records = (static_cast<int64_t>(size) - first - samples * width) / record + 1;
    if (samples < 2 || records < 1) return lines;
    const int64_t step = std::max<int64_t>(1, records / maxLines);
    const bool whole = samples <= runs * runSamples;
    for (int64_t l = 0; l < records; l += step)
        for (int64_t r = 0; r < (whole ? 1 : runs); ++r) {
            const int64_t from = whole ? 0 : r * (samples - runSamples) / (runs - 1);
            const int64_t count = whole ? samples : runSamples;
            std::vector<int64_t> run;
            for (int64_t s = from; s < from + count; ++s) run.push_back(first + l * record + s * width);
            lines.push_back(std::move(run));
        }
    return lines;
}

int32_t sampleWidth(std::span<const uint8_t> bytes)
{
    double distance[4];
    const int32_t widths[4] = {1, 2, 4, 8};
    for (int i = 0; i < 4; ++i) distance[i] = byteDistance(bytes, static_cast<size_t>(widths[i]));
    const double least = *std::min_element(distance, distance + 4);
    for (int i = 0; i < 4; ++i)
        if (distance[i] <= 1.15 * least + 0.25) return widths[i];
    return 8;
}

std::vector<EncodingFit> rankEncodings(std::span<const uint8_t> bytes, int32_t width, int64_t record)
{
    std::vector<EncodingFit> fits;
    for (int32_t alignment = 0; alignment < width; ++alignment) {
        const auto lines = runsOverLines(bytes.size(), alignment, record, (record - alignment) / width, width);
        for (const Encoding& encoding : encodingsOfWidth(width))
            fits.push_back(fitEncoding(bytes, encoding, lines, alignment));
    }
    rank(fits);
    return fits;
}

std::vector<EncodingFit> rankEncodingsInRuns(std::span<const uint8_t> bytes, int32_t width)
{
    std::vector<EncodingFit> fits;
    for (const Encoding& encoding : encodingsOfWidth(width))
        fits.push_back(fitEncoding(bytes, encoding, smoothestRuns(bytes, encoding), 0));
    rank(fits);
    return fits;
}

std::vector<EncodingFit> rankEncodingsAt(std::span<const uint8_t> bytes, int32_t width,
                                         const std::vector<std::vector<int64_t>>& lines)
{
    std::vector<EncodingFit> fits;
    for (const Encoding& encoding : encodingsOfWidth(width)) fits.push_back(fitEncoding(bytes, encoding, lines, 0));
    rank(fits);
    return fits;
}

}  // namespace skeldra
