// SPDX-License-Identifier: BSD-3-Clause
#include "discover/SampleEncoding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace skeldra {

namespace {


// Mean difference between bytes `lag` apart in the quietest of `lanes`
// byte lanes (a byte's lane is its place modulo `lanes`), and over all of
// them: at the sample width, the lane of the most significant byte meets
// the same byte of the next sample and changes least, however noisy the
// low bytes are.
struct LaneDistance {
    double quietest = 256;
    double mean = 256;
};

LaneDistance byteDistance(std::span<const uint8_t> bytes, size_t lag, size_t lanes)
{
    if (bytes.size() <= lag) return {0, 0};
    // Per lane, how often each difference occurs.
    std::vector<std::array<int64_t, 256>> counts(lanes, std::array<int64_t, 256>{});
    // Around the circle of byte values: an upper byte that steps from 255
    // to 0 (values crossing zero, or a multiple of its place) moves by one.
    for (size_t i = 0; i + lag < bytes.size(); ++i) {
        const int step = (int{bytes[i]} - int{bytes[i + lag]}) & 0xFF;
        ++counts[i % lanes][static_cast<size_t>(std::min(step, 256 - step))];
    }
    LaneDistance distance;
    double total = 0;
    for (const auto& lane : counts) {
        // The largest 2 % left out: a line counter repeated every 4 bytes
        // would otherwise make the quiet lane of 2-byte samples look busy
        // at 2 bytes and calm at 4.
        int64_t all = std::accumulate(lane.begin(), lane.end(), int64_t{0});
        int64_t keep = all - all / 50, kept = 0, sum = 0;
        for (size_t d = 0; d < lane.size() && kept < keep; ++d) {
            const int64_t n = std::min(lane[d], keep - kept);
            kept += n, sum += n * static_cast<int64_t>(d);
        }
        const double mean = kept > 0 ? static_cast<double>(sum) / static_cast<double>(kept) : 256;
        distance.quietest = std::min(distance.quietest, mean);
        total += mean;
    }
    distance.mean = total / static_cast<double>(lanes);
    return distance;
}

std::vector<Encoding> encodingsOfWidth(int32_t width)
{
    using F = DataFormat;
    switch (width) {
    case 1: return {{1, F::UnsignedInteger, false}, {1, F::SignedInteger, false}};
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

// Reals as images usually hold them (reflectances, radiances, heights,
// temperatures, counts); integers read as reals rarely are.
bool ordinaryReal(double value)
{
    const double magnitude = std::abs(value);
    return std::isfinite(value) && (magnitude == 0 || (magnitude >= 1e-6 && magnitude <= 1e7));
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

// How much more neighbours differ among the greater half of the values
// than among the lesser half, as a logarithm. Noise and texture in the
// values as stored are much the same at every level; a reading that bends
// the values (reals read as integers grow like a logarithm of them,
// integers read as reals like a power) makes the changes shrink or grow
// with the level.
double levelSkew(const std::vector<std::vector<double>>& readings, const std::vector<std::vector<double>>& ranks,
                 double spread)
{
    double sum[2] = {0, 0};
    int64_t count[2] = {0, 0};
    for (size_t r = 0; r < readings.size(); ++r)
        for (size_t i = 1; i < readings[r].size(); ++i) {
            const double a = readings[r][i - 1], b = readings[r][i];
            if (std::isnan(a) || std::isnan(b)) continue;
            const int half = ranks[r][i - 1] + ranks[r][i] < 1.0 ? 0 : 1;
            sum[half] += std::min(std::abs(a - b), spread);
            ++count[half];
        }
    if (count[0] == 0 || count[1] == 0 || sum[0] <= 0 || sum[1] <= 0) return 0;
    return std::log((sum[1] / static_cast<double>(count[1])) / (sum[0] / static_cast<double>(count[0])));
}

double implausibleShare(const std::vector<double>& reading)
{
    const auto bad = std::count_if(reading.begin(), reading.end(), [](double v) { return std::isnan(v); });
    return reading.empty() ? 0 : static_cast<double>(bad) / static_cast<double>(reading.size());
}

// Lines read at one alignment: all of them the samples they hold, or, in
// records that are not a whole number of samples, those on one side of the
// pad right and those on the other askew. Then the range is drawn around
// the densest half of the values, and the roughness is that of the
// smoothest 40 % of the lines (the side read right at the better of its two
// alignments holds half of them or more), not the 5th to 95th percentile
// and the smoothest three quarters.
enum class Lines { Aligned, HalfAskew };

// How many of `count` items a share keeps: at least one.
size_t keptCount(size_t count, double share)
{
    return std::clamp<size_t>(static_cast<size_t>(std::ceil(share * static_cast<double>(count))), 1, std::max<size_t>(count, 1));
}

// The share of the lines with the least costs.
std::vector<std::vector<int64_t>> smoothest(const std::vector<std::vector<int64_t>>& lines,
                                            const std::vector<double>& costs, double share)
{
    if (costs.size() != lines.size()) return lines;  // empty lines have no cost
    std::vector<size_t> order(costs.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return costs[a] < costs[b]; });
    order.resize(keptCount(order.size(), share));
    std::vector<std::vector<int64_t>> kept;
    for (size_t i : order) kept.push_back(lines[i]);
    return kept;
}

// The 5th to 95th percentile widened by their distance on each side rather
// than the extremes: a few lines of header read as huge numbers must not
// squeeze the image into a handful of codes, and the bright and dark parts
// of a picture must not clamp into constant columns.
ValueRange spreadRange(const ValueRanks& ranks)
{
    const double low = ranks.quantile(0.05), high = ranks.quantile(0.95);
    const double spread = high - low;
    return {low - spread, spread > 0 ? high + spread : low + 1};
}

// The lines that are not far rougher than most, where some are: rough as
// random values are (they move a third of the ranks from one to the next),
// not merely rougher than a flat ground. In a small file read whole, a
// fifth of its values or more may be a header of any values. Their values
// would draw the range so wide that the picture reads flat; and a reading
// that ranks the picture's values apart from theirs makes them look
// rougher than one that tears the picture, so their costs do not count.
struct CalmLines {
    std::vector<double> values;  // empty when every line is calm
    std::vector<double> costs;
};

CalmLines calmLines(const std::vector<std::vector<double>>& readings, const std::vector<double>& costs)
{
    constexpr double farRougher = 4, roughAnyway = 0.1;
    if (costs.empty()) return {};
    std::vector<double> sorted = costs;
    std::nth_element(sorted.begin(), sorted.begin() + std::ssize(sorted) / 2, sorted.end());
    const double limit = std::max(farRougher * sorted[sorted.size() / 2], roughAnyway);
    CalmLines calm;
    for (size_t i = 0; i < readings.size(); ++i) {
        if (costs[i] > limit) continue;
        calm.costs.push_back(costs[i]);
        for (double value : readings[i])
            if (!std::isnan(value)) calm.values.push_back(value);
    }
    if (calm.costs.size() == costs.size()) calm.values.clear();
    return calm;
}

EncodingFit fitEncoding(std::span<const uint8_t> bytes, const Encoding& encoding,
                        const std::vector<std::vector<int64_t>>& lines, int32_t alignment,
                        Lines kind = Lines::Aligned)
{
    EncodingFit fit{encoding, alignment, 0, {}, 0};
    // Each line's values in order, NaN where a real is implausible.
    std::vector<std::vector<double>> readings;
    std::vector<double> values;
    int64_t ordinary = 0, total = 0;
    for (const auto& line : lines) {
        if (line.empty()) continue;
        std::vector<double> reading;
        for (int64_t start : line) {
            const double value = decodeValue(bytes.data() + start, encoding);
            ordinary += ordinaryReal(value);
            const bool plausible = !implausibleValue(value, encoding);
            if (plausible) values.push_back(value);
            reading.push_back(plausible ? value : std::nan(""));
        }
        total += std::ssize(reading);
        readings.push_back(std::move(reading));
    }
    fit.ordinaryRealShare = total > 0 ? static_cast<double>(ordinary) / static_cast<double>(total) : 0;
    const ValueRanks ranks(values);
    const double spread = ranks.quantile(0.95) - ranks.quantile(0.05);
    fit.range = spreadRange(ranks);
    if (kind == Lines::HalfAskew) {
        const auto [from, to] = ranks.densestHalf();
        if (to > from) fit.range = {from - 2 * (to - from), to + 2 * (to - from)};
    }
    // A reading with its bytes clearly out of order is rough whatever its
    // values do; ranking them would cost most of the search's time.
    const int breaks = laneOrderBreaks(bytes, encoding, lines);
    if (breaks >= 3) {
        fit.roughness = 1 + 0.5 * breaks;
        return fit;
    }
    // Each line on its own, and the roughest quarter left out.
    std::vector<double> rankCosts;
    std::vector<std::vector<double>> readingRanks;
    for (const std::vector<double>& reading : readings) {
        readingRanks.push_back(ranks.of(reading));
        rankCosts.push_back(interleavedNeighbourDistance(readingRanks.back()) +
                            20 * std::max(0.0, implausibleShare(reading) - implausibleAllowance));
    }
    if (kind == Lines::Aligned) {
        CalmLines calm = calmLines(readings, rankCosts);
        if (!calm.values.empty()) fit.range = spreadRange(ValueRanks(calm.values));
        rankCosts = std::move(calm.costs);
    }
    const double kept = kind == Lines::HalfAskew ? 0.4 : 0.75;
    // Half-askew lines: the bytes' order judged on the runs that read right.
    const int orderBreaks = kind == Lines::HalfAskew ? laneOrderBreaks(bytes, encoding, smoothest(lines, rankCosts, kept)) : breaks;
    fit.roughness = meanOfSmoothest(std::move(rankCosts), kept) + 0.5 * orderBreaks;
    fit.levelSkew = levelSkew(readings, readingRanks, spread);
    fit.negativeShare = ranks(0.0);

    // Samples that all have the top bit set read alike as unsigned and as
    // negative numbers; the tie goes to the unsigned reading (high counts
    // are common, large negative numbers are not) unless the negative
    // numbers lie close to zero. A stray value (a header sample at a line's
    // start) does not count, nor do zeros (a filled pad or header reads
    // zero either way).
    if (encoding.format != DataFormat::Real && encoding.bytes > 1 && !values.empty()) {
        const double half = std::ldexp(1.0, encoding.bytes * 8 - 1);
        std::vector<double> nonzero;  // of a few thousand values spread over all
        const size_t step = std::max<size_t>(1, values.size() / 8192);
        for (size_t i = 0; i < values.size(); i += step)
            if (values[i] != 0) nonzero.push_back(values[i]);
        const ValueRanks nonzeroRanks(nonzero);
        const double least = nonzeroRanks.quantile(0.01), most = nonzeroRanks.quantile(0.99);
        const bool unsignedTopBit = encoding.format == DataFormat::UnsignedInteger && least >= half;
        const bool signedNegative = encoding.format == DataFormat::SignedInteger && most < 0;
        // Close to zero: within a quarter of the range of a 16-bit sign, and
        // within 2^24 of 32-bit ones (where integers that large hold
        // measurements rarely, either way).
        const double close = encoding.bytes == 2 ? half / 4 : std::ldexp(1.0, 24);
        const bool nearZero = unsignedTopBit ? least >= 2 * half - close : least >= -close;
        if ((unsignedTopBit && nearZero) || (signedNegative && !nearZero)) fit.roughness *= 1.02;
        // Values at both ends of the codes and none between are values
        // about the middle of the other reading, torn apart: a tie where
        // they seldom cross goes to the reading that keeps them together.
        const double bottom = encoding.format == DataFormat::UnsignedInteger ? 0 : -half;
        const double lowShare = ranks(bottom + half / 2), highShare = 1 - ranks(bottom + 1.5 * half);
        if (lowShare >= 0.01 && highShare >= 0.01 && lowShare + highShare > 0.99) fit.roughness *= 1.02;
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

// Lines cut into runs of 64 samples.
std::vector<std::vector<int64_t>> shortRuns(const std::vector<std::vector<int64_t>>& lines)
{
    constexpr size_t runSamples = 64;
    std::vector<std::vector<int64_t>> runs;
    for (const auto& line : lines)
        for (size_t from = 0; from + runSamples / 2 <= line.size(); from += runSamples)
            runs.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(from),
                              line.begin() + static_cast<std::ptrdiff_t>(std::min(line.size(), from + runSamples)));
    return runs;
}

// Whether two readings take the same bytes as samples, in the same order.
bool sameBytes(const EncodingFit& a, const EncodingFit& b)
{
    return a.encoding.bytes == b.encoding.bytes && a.encoding.msbFirst == b.encoding.msbFirst &&
           a.alignment == b.alignment;
}

// A 32-bit integer reading and the real reading of the same bytes keep the
// order of positive values, so they read alike in ranks. The one in which
// changes do not grow or shrink with the level goes first; where neither
// bends (values within one power of two), the reals go first when they are
// ordinary numbers, as integers that large with so narrow a range are rare,
// and the integers when the reals would be tiny or huge. Reals of both signs
// read as integers lose their order below zero, and their bends say nothing.
// Each pair is judged on the readings as measured, so that one settled pair
// does not sway the next.
void settleIntegerAgainstReal(std::vector<EncodingFit>& fits)
{
    const std::vector<EncodingFit> measured = fits;
    for (size_t i = 0; i < fits.size(); ++i) {
        const EncodingFit& integer = measured[i];
        if (integer.encoding.bytes != 4 || integer.encoding.format == DataFormat::Real) continue;
        for (size_t j = 0; j < fits.size(); ++j) {
            const EncodingFit& real = measured[j];
            if (real.encoding.format != DataFormat::Real || !sameBytes(real, integer)) continue;
            const bool alike = std::max(integer.roughness, real.roughness) <= 1.1 * std::min(integer.roughness, real.roughness);
            if (!alike) continue;
            const bool bothSigns = real.negativeShare > 0.01 && real.negativeShare < 0.99;
            const double integerBend = bothSigns ? 0 : std::abs(integer.levelSkew);
            const double realBend = bothSigns ? 0 : std::abs(real.levelSkew);
            constexpr double bend = 0.3;
            // Both bending the same way is the picture's own doing (changes
            // that grow with its level), which a reading only adds to or
            // takes from: then the values alone tell. Negative reals run
            // against the integers of their bytes, so the same way reads
            // as opposite signs there.
            const bool againstIntegers = real.negativeShare >= 0.99;
            const bool pictureBends = std::min(integerBend, realBend) >= bend &&
                                      ((integer.levelSkew > 0) == (real.levelSkew > 0)) != againstIntegers;
            const bool ordinary = real.ordinaryRealShare > 0.9;
            const bool realFirst = pictureBends ? ordinary
                                                : realBend + bend < integerBend || (integerBend + bend >= realBend && ordinary);
            if (realFirst) fits[i].roughness = std::max(fits[i].roughness, real.roughness * 1.1);
            else fits[j].roughness = std::max(fits[j].roughness, integer.roughness * 1.1);
        }
    }
}

// Values below the top bit read alike signed and unsigned. A picture
// whose range reaches below zero may dip there where the lines read did not
// look, which the signed reading keeps whole: it goes first in a tie.
void settleSignedAgainstUnsigned(std::vector<EncodingFit>& fits)
{
    for (EncodingFit& unsignedFit : fits) {
        if (unsignedFit.encoding.format != DataFormat::UnsignedInteger || unsignedFit.encoding.bytes == 1) continue;
        for (const EncodingFit& signedFit : fits) {
            if (signedFit.encoding.format != DataFormat::SignedInteger || !sameBytes(signedFit, unsignedFit) ||
                signedFit.roughness > 1.01 * unsignedFit.roughness)
                continue;
            if (signedFit.negativeShare < 0.01 && signedFit.range.low < 0)
                unsignedFit.roughness = std::max(unsignedFit.roughness, 1.02 * signedFit.roughness);
        }
    }
}

// The readings in the order they are believed, smoothest first.
void rank(std::vector<EncodingFit>& fits)
{
    settleIntegerAgainstReal(fits);
    settleSignedAgainstUnsigned(fits);
    std::stable_sort(fits.begin(), fits.end(),
                     [](const EncodingFit& a, const EncodingFit& b) { return a.roughness < b.roughness; });
}

}  // namespace

ValueRanks::ValueRanks(const std::vector<double>& values)
{
    const size_t step = std::max<size_t>(1, values.size() / maxPoints);
    for (size_t i = 0; i < values.size(); i += step) points_.push_back(values[i]);
    std::sort(points_.begin(), points_.end());
    if (points_.size() < 2 || !(points_.back() > points_.front())) return;
    // cells_[c]: the first point above the start of cell c of an even grid,
    // so that a value is looked up among the few points of its own cells.
    low_ = points_.front();
    scale_ = static_cast<double>(gridCells) / (points_.back() - low_);
    for (size_t c = 0; c <= gridCells; ++c) {
        const double start = low_ + static_cast<double>(c) / scale_;
        cells_.push_back(static_cast<uint32_t>(std::upper_bound(points_.begin(), points_.end(), start) - points_.begin()));
    }
    for (size_t i = 0; i + 1 < points_.size(); ++i)
        inverseGap_.push_back(points_[i + 1] > points_[i] ? 1 / (points_[i + 1] - points_[i]) : 0);
    step_ = 1 / static_cast<double>(points_.size() - 1);
}

std::pair<double, double> ValueRanks::densestHalf() const
{
    if (points_.empty()) return {0, 0};
    const size_t half = points_.size() / 2;
    size_t best = 0;
    for (size_t i = 0; i + half < points_.size(); ++i)
        if (points_[i + half] - points_[i] < points_[best + half] - points_[best]) best = i;
    return {points_[best], points_[best + half]};
}

double ValueRanks::quantile(double share) const
{
    if (points_.empty()) return 0;
    return points_[static_cast<size_t>(std::clamp(share, 0.0, 1.0) * static_cast<double>(points_.size() - 1))];
}

std::vector<double> ValueRanks::of(std::span<const double> values) const
{
    std::vector<double> ranks;
    ranks.reserve(values.size());
    for (double value : values) ranks.push_back(std::isnan(value) ? value : (*this)(value));
    return ranks;
}

double ValueRanks::operator()(double value) const
{
    if (cells_.empty() || value < low_) return 0;
    if (value >= points_.back()) return 1;
    const auto cell = std::min(gridCells - 1, static_cast<size_t>((value - low_) * scale_));
    // One cell either side, for the rounding of the cell's start; the whole
    // list where a range so huge that the grid cannot resolve it (one
    // outlier far out) puts the value outside its cells.
    auto from = points_.begin() + cells_[cell > 0 ? cell - 1 : 0];
    auto to = points_.begin() + cells_[std::min(cell + 2, gridCells)];
    if ((from != points_.begin() && *(from - 1) > value) || (to != points_.end() && *to <= value))
        from = points_.begin(), to = points_.end();
    const auto above = std::upper_bound(from, to, value);
    if (above == points_.begin()) return 0;
    const auto below = static_cast<size_t>(above - points_.begin() - 1);
    return (static_cast<double>(below) + (value - points_[below]) * inverseGap_[below]) * step_;
}

double meanDistance(std::span<const double> a, std::span<const double> b)
{
    double sum = 0;
    int64_t count = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (!std::isnan(a[i]) && !std::isnan(b[i])) sum += std::abs(a[i] - b[i]), ++count;
    return count > 0 ? sum / static_cast<double>(count) : 1.0;
}

double neighbourDistance(std::span<const double> line)
{
    if (line.size() < 2) return 1.0;
    return meanDistance(line.first(line.size() - 1), line.subspan(1));
}

double interleavedNeighbourDistance(std::span<const double> line)
{
    double least = neighbourDistance(line);
    for (size_t lag = 2; lag <= 4 && lag < line.size(); ++lag)
        least = std::min(least, meanDistance(line.first(line.size() - lag), line.subspan(lag)));
    return least;
}

bool implausibleValue(double value, const Encoding& encoding)
{
    if (encoding.format != DataFormat::Real) return false;
    if (!std::isfinite(value)) return true;
    const double magnitude = std::abs(value);
    return magnitude != 0 && (magnitude < 1e-30 || magnitude > 1e30);
}

double meanOfSmoothest(std::vector<double> costs, double share)
{
    if (costs.empty()) return 10.0;
    std::sort(costs.begin(), costs.end());
    const size_t kept = keptCount(costs.size(), share);
    return std::accumulate(costs.begin(), costs.begin() + static_cast<std::ptrdiff_t>(kept), 0.0) /
           static_cast<double>(kept);
}

std::vector<std::vector<int64_t>> runsOverLines(size_t size, int64_t first, int64_t record, int64_t samples,
                                                int32_t width, int64_t maxLines)
{
    constexpr int64_t runs = 8, runSamples = 256;
    std::vector<std::vector<int64_t>> lines;
    const int64_t records = (static_cast<int64_t>(size) - first - samples * width) / record + 1;
    if (samples < 2 || records < 1) return lines;
    const int64_t step = std::max<int64_t>(1, records / maxLines);
    const std::vector<SampleRun> across = runsAcross(samples, runs, runSamples);
    for (int64_t l = 0; l < records; l += step)
        for (const SampleRun& part : across) {
            std::vector<int64_t> run;
            for (int64_t s = part.from; s < part.from + part.count; ++s) run.push_back(first + l * record + s * width);
            lines.push_back(std::move(run));
        }
    return lines;
}

std::vector<SampleRun> runsAcross(int64_t samples, int64_t runs, int64_t runSamples)
{
    if (samples <= runs * runSamples) return {{0, samples}};
    std::vector<SampleRun> across;
    for (int64_t r = 0; r < runs; ++r) across.push_back({r * (samples - runSamples) / (runs - 1), runSamples});
    return across;
}

int32_t sampleWidth(std::span<const uint8_t> bytes)
{
    LaneDistance distance[4];
    const int32_t widths[4] = {1, 2, 4, 8};
    // The quietest lane of each stretch of a few KB: a line pad that is not
    // a whole number of samples moves the lanes from one line to the next,
    // and values that cross zero now and then turn their upper bytes from 0
    // to 255; over the whole window every lane would be busy somewhere.
    constexpr size_t stretch = 4096;
    auto distanceAt = [&](size_t lag, size_t lanes) {
        LaneDistance sum{0, 0};
        size_t count = 0;
        for (size_t from = 0; from == 0 || from + stretch <= bytes.size(); from += stretch, ++count) {
            const LaneDistance part = byteDistance(bytes.subspan(from, std::min(stretch, bytes.size() - from)), lag, lanes);
            sum.quietest += part.quietest, sum.mean += part.mean;
        }
        return LaneDistance{sum.quietest / static_cast<double>(count), sum.mean / static_cast<double>(count)};
    };
    // A sample of three bands by pixel meets its own kind three samples on:
    // the next sample is another band, whose upper bytes may differ wholly.
    // Lanes by the byte's place in a sample either way: the quietest of more
    // lanes would look quieter by chance alone.
    for (int i = 0; i < 4; ++i) {
        const auto width = static_cast<size_t>(widths[i]);
        const LaneDistance own = distanceAt(width, width), ofPixels = distanceAt(3 * width, width);
        distance[i] = own.quietest <= ofPixels.quietest ? own : ofPixels;
    }
    double least = 256;
    for (const LaneDistance& d : distance) least = std::min(least, d.quietest);
    auto quiet = [&](int i) { return distance[i].quietest <= 1.15 * least + 0.25; };
    int chosen = 0;
    while (chosen < 3 && !quiet(chosen)) ++chosen;
    // Upper bytes that never change (small values in wide samples) are as
    // quiet at half the width, where the other lanes pair the low bytes
    // with the constant ones: the wider samples read far calmer in all.
    while (chosen < 3 && quiet(chosen + 1) && distance[chosen + 1].mean < 0.5 * distance[chosen].mean) ++chosen;
    return widths[chosen];
}

std::vector<EncodingFit> rankEncodings(std::span<const uint8_t> bytes, int32_t width, int64_t record)
{
    std::vector<EncodingFit> fits;
    for (int32_t alignment = 0; alignment < width; ++alignment) {
        // Half the lines: this ranking picks the alignment and the readings
        // worth a closer look, which the lines of the whole file then settle.
        auto lines = runsOverLines(bytes.size(), alignment, record, (record - alignment) / width, width, 32);
        // A record that is not a whole number of samples reads the samples
        // past its pad askew at any one alignment: its lines are weighed in
        // short runs, which lie mostly on one side of the pad.
        const Lines kind = record % width != 0 ? Lines::HalfAskew : Lines::Aligned;
        if (kind == Lines::HalfAskew) lines = shortRuns(lines);
        for (const Encoding& encoding : encodingsOfWidth(width))
            fits.push_back(fitEncoding(bytes, encoding, lines, alignment, kind));
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

double readingRoughness(std::span<const uint8_t> bytes, const Encoding& encoding,
                        const std::vector<std::vector<int64_t>>& lines)
{
    return fitEncoding(bytes, encoding, lines, 0).roughness;
}

double carryStep(std::span<const uint8_t> bytes, const Encoding& encoding,
                 const std::vector<std::vector<int64_t>>& lines)
{
    const int32_t width = encoding.bytes;
    const size_t upper = encoding.msbFirst ? 0 : static_cast<size_t>(width - 1);
    // The bytes as one unsigned number in this order: a carry is as small
    // a step whether the number is signed or holds a real.
    auto pattern = [&](size_t at) {
        uint64_t value = 0;
        for (int32_t i = 0; i < width; ++i)
            value = value << 8 | bytes[at + static_cast<size_t>(encoding.msbFirst ? i : width - 1 - i)];
        return static_cast<double>(value);
    };
    const double unit = std::ldexp(1.0, 8 * (width - 1));
    double least = -1;
    // Neighbours 1 to 4 samples apart: those of a pixel's other bands
    // differ too much to tell.
    for (size_t lag = 1; lag <= 4; ++lag) {
        double sum = 0;
        int64_t carries = 0;
        for (const auto& line : lines)
            for (size_t s = lag; s < line.size(); ++s) {
                const auto here = static_cast<size_t>(line[s]), before = static_cast<size_t>(line[s - lag]);
                if (std::abs(int{bytes[here + upper]} - int{bytes[before + upper]}) != 1) continue;
                sum += std::min(std::abs(pattern(here) - pattern(before)) / unit, 2.0);
                ++carries;
            }
        if (carries >= 16 && (least < 0 || sum / static_cast<double>(carries) < least)) least = sum / static_cast<double>(carries);
    }
    return least;
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
