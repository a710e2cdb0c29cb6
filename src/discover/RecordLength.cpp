#include "discover/RecordLength.h"

#include <algorithm>


namespace skeldra {

namespace {

constexpr int64_t runCodes = 1024;
constexpr int runParts[] = {20, 27, 34, 41};  // per cent of the window

struct Run {
    int64_t start = 0;
    std::vector<int16_t> code;
    std::vector<int16_t> inRange;  // 1 for a code within the values' range
};

// A contiguous pass in 32-bit lanes: 1024 distances below 65536 fit.
int64_t differenceAt(const Run& run, const int16_t* other)
{
    int32_t sum = 0;
    for (int64_t j = 0; j < runCodes; ++j)
        sum += run.inRange[static_cast<size_t>(j)] * codeDistance(run.code[static_cast<size_t>(j)], other[j]);
    return sum;
}

Run runAt(const SampleCodes& codes, int64_t start)
{
    Run run;
    run.start = start;
    for (int64_t j = 0; j < runCodes; ++j) {
        const int16_t code = codes.code[static_cast<size_t>(start + j)];
        run.code.push_back(code);
        run.inRange.push_back(code > -32000 && code < 32000 ? 1 : 0);
    }
    return run;
}

// Smooth images resemble the next line nearly as well a few samples askew,
// so the few runs of the search may miss the exact lag by a little; many
// runs around the found lag tell.
int64_t refinedLag(const SampleCodes& codes, int64_t lag, int64_t minLag)
{
    constexpr int64_t reach = 64, runs = 64;
    const auto available = static_cast<int64_t>(codes.code.size());
    const int64_t span = available - runCodes - lag - reach;
    if (span <= 0) return lag;
    std::vector<Run> spread;
    for (int64_t i = 0; i < runs; ++i) spread.push_back(runAt(codes, span * i / (runs - 1)));
    int64_t best = lag, least = -1;
    for (int64_t candidate = std::max(minLag, lag - reach); candidate <= lag + reach; ++candidate) {
        int64_t sum = 0;
        for (const Run& run : spread) sum += differenceAt(run, codes.code.data() + run.start + candidate);
        if (least < 0 || sum < least) least = sum, best = candidate;
    }
    return best;
}

}  // namespace

std::vector<LagFit> recordLengths(const SampleCodes& codes, int64_t minLag, int64_t maxLag, size_t count,
                                  const KeepGoing& keepGoing)
{
    const auto available = static_cast<int64_t>(codes.code.size());
    std::vector<Run> runs;
    for (int part : runParts) {
        const int64_t start = available * part / 100;
        if (start + runCodes <= available) runs.push_back(runAt(codes, start));
    }
    if (runs.empty()) return {};
    maxLag = std::min(maxLag, available - runs.back().start - runCodes);
    if (maxLag <= minLag + 2) return {};

    std::vector<int64_t> difference(static_cast<size_t>(maxLag - minLag + 1));
    for (int64_t lag = minLag; lag <= maxLag; ++lag) {
        if (((lag - minLag) & 8191) == 8191 && keepGoing && !keepGoing()) return {};
        int64_t sum = 0;
        for (const Run& run : runs) sum += differenceAt(run, codes.code.data() + run.start + lag);
        difference[static_cast<size_t>(lag - minLag)] = sum;
    }
    std::vector<int64_t> sorted = difference;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const double typical = static_cast<double>(std::max<int64_t>(sorted[sorted.size() / 2], 1));

    std::vector<LagFit> minima;
    for (size_t i = 1; i + 1 < difference.size(); ++i) {
        if (difference[i] > difference[i - 1] || difference[i] > difference[i + 1]) continue;
        const double depth = 1.0 - static_cast<double>(difference[i]) / typical;
        if (depth > 0.05) minima.push_back({minLag + static_cast<int64_t>(i), depth});
    }
    std::sort(minima.begin(), minima.end(), [](const LagFit& a, const LagFit& b) { return a.depth > b.depth; });
    std::vector<LagFit> best;
    for (const LagFit& fit : minima) {
        if (best.size() == count) break;
        // Neighbouring lags of a found one are the same line seen askew.
        const bool near = std::any_of(best.begin(), best.end(), [&](const LagFit& b) {
            return std::abs(b.lag - fit.lag) <= 64;
        });
        if (!near) best.push_back(fit);
    }
    // Where lines barely differ from the ones two or three further on (noise
    // over a smooth image), a multiple of the record length is as deep a
    // minimum as the length itself: its fractions that are nearly as deep
    // compete too, on how smoothly their lines read.
    std::vector<LagFit> withFractions;
    for (const LagFit& fit : best) {
        withFractions.push_back({refinedLag(codes, fit.lag, minLag), fit.depth});
        for (int64_t k = 2; k <= 8 && fit.lag / k > minLag; ++k) {
            const int64_t centre = (fit.lag + k / 2) / k;
            int64_t lag = centre;
            for (int64_t l = std::max(minLag + 1, centre - k); l <= std::min(maxLag - 1, centre + k); ++l)
                if (difference[static_cast<size_t>(l - minLag)] < difference[static_cast<size_t>(lag - minLag)]) lag = l;
            const double depth = 1.0 - static_cast<double>(difference[static_cast<size_t>(lag - minLag)]) / typical;
            if (depth >= 0.9 * fit.depth) withFractions.push_back({refinedLag(codes, lag, minLag), depth});
        }
    }
    return withFractions;
}

}  // namespace skeldra
