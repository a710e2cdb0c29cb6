// SPDX-License-Identifier: BSD-3-Clause
#include "discover/RecordLength.h"

#include <fftw3.h>

#include <algorithm>
#include <cstdlib>
#include <bit>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>

#include "discover/SampleCodes.h"

namespace skeldra {

namespace {

constexpr int64_t neighbourhood = 64;
constexpr int64_t alikeSamples = 4;

// FFTW's planner is not thread-safe; discovery may run beside the window.
std::mutex planning;

struct FftwFree {
    void operator()(float* p) const { fftwf_free(p); }
};
using FftwBuffer = std::unique_ptr<float[], FftwFree>;

// An in-place real transform buffer of n reals (n + 2 floats), zero beyond
// the values.
FftwBuffer transformBuffer(int64_t n, std::span<const float> signal, double mean)
{
    FftwBuffer buffer(fftwf_alloc_real(static_cast<size_t>(n + 2)));
    if (!buffer) throw std::bad_alloc();
    std::fill(buffer.get(), buffer.get() + n + 2, 0.0f);
    for (size_t i = 0; i < signal.size(); ++i) buffer[i] = static_cast<float>(signal[i] - mean);
    return buffer;
}

// FFTW aborts the program when its planner finds no memory, so the room
// it needs (its plan and scratch space, about twice the buffer) is asked of
// the system first, where a failure can still be reported.
void ensurePlanningRoom(int64_t n)
{
    const size_t room = static_cast<size_t>(n + 2) * sizeof(float) * 2 + (size_t{1} << 20);
    void* trial = std::malloc(room);
    if (trial == nullptr) throw std::bad_alloc();
    std::free(trial);
}

void transform(float* buffer, int64_t n, bool forward)
{
    ensurePlanningRoom(n);
    fftwf_plan plan;
    {
        const std::lock_guard lock(planning);
        auto* spectrum = reinterpret_cast<fftwf_complex*>(buffer);
        plan = forward ? fftwf_plan_dft_r2c_1d(static_cast<int>(n), buffer, spectrum, FFTW_ESTIMATE)
                       : fftwf_plan_dft_c2r_1d(static_cast<int>(n), spectrum, buffer, FFTW_ESTIMATE);
    }
    if (plan == nullptr) throw std::bad_alloc();  // the planner found no memory
    fftwf_execute(plan);
    const std::lock_guard lock(planning);
    fftwf_destroy_plan(plan);
}

}  // namespace

std::vector<float> quietBytes(std::span<const uint8_t> bytes, int32_t sampleBytes)
{
    constexpr int64_t reach = 16;
    const auto size = static_cast<int64_t>(bytes.size());
    std::vector<float> signal(bytes.begin(), bytes.end());
    if (size <= sampleBytes * (reach + 1)) return signal;
    auto step = [&](int64_t i) { return std::abs(int{bytes[static_cast<size_t>(i)]} - int{bytes[static_cast<size_t>(i - sampleBytes)]}); };
    // Per byte of a sample: the sum of its steps over the last `reach` samples.
    std::vector<int64_t> recent(static_cast<size_t>(sampleBytes), 0);
    for (int64_t i = sampleBytes; i < size; ++i) {
        int64_t& sum = recent[static_cast<size_t>(i % sampleBytes)];
        sum += step(i);
        if (i >= sampleBytes * (reach + 1)) sum -= step(i - sampleBytes * reach);
        const double meanStep = static_cast<double>(sum) / reach;
        const double weight = std::clamp((48.0 - meanStep) / 32.0, 0.1, 1.0);
        signal[static_cast<size_t>(i)] = static_cast<float>(bytes[static_cast<size_t>(i)] * weight);
    }
    return signal;
}

std::vector<double> laggedDifferences(std::span<const float> bytes, int64_t maxLag)
{
    const auto size = static_cast<int64_t>(bytes.size());
    const int64_t compared = size - maxLag;
    if (compared <= 0) return {};
    const double mean = std::accumulate(bytes.begin(), bytes.end(), 0.0) / static_cast<double>(size);
    // Circular correlation over n >= size does not wrap for lags <= maxLag.
    const auto n = static_cast<int64_t>(std::bit_ceil(static_cast<uint64_t>(size)));
    FftwBuffer first = transformBuffer(n, bytes.first(static_cast<size_t>(compared)), mean);
    FftwBuffer all = transformBuffer(n, bytes, mean);
    transform(first.get(), n, true);
    transform(all.get(), n, true);
    auto* a = reinterpret_cast<fftwf_complex*>(first.get());
    auto* b = reinterpret_cast<fftwf_complex*>(all.get());
    for (int64_t k = 0; k <= n / 2; ++k) {
        // b × conj(a): the correlation sum of a[i] b[i + lag].
        const float re = b[k][0] * a[k][0] + b[k][1] * a[k][1];
        const float im = b[k][1] * a[k][0] - b[k][0] * a[k][1];
        b[k][0] = re, b[k][1] = im;
    }
    first.reset();
    transform(all.get(), n, false);

    auto centred = [&](int64_t i) { return bytes[static_cast<size_t>(i)] - mean; };
    double firstSquares = 0, slidingSquares = 0;
    for (int64_t i = 0; i < compared; ++i) firstSquares += centred(i) * centred(i);
    slidingSquares = firstSquares;
    std::vector<double> difference(static_cast<size_t>(maxLag + 1));
    for (int64_t lag = 0; lag <= maxLag; ++lag) {
        if (lag > 0) {
            slidingSquares += centred(lag + compared - 1) * centred(lag + compared - 1);
            slidingSquares -= centred(lag - 1) * centred(lag - 1);
        }
        const double correlation = static_cast<double>(all[static_cast<size_t>(lag)]) / static_cast<double>(n);
        difference[static_cast<size_t>(lag)] = std::max(0.0, firstSquares + slidingSquares - 2 * correlation);
    }
    return difference;
}

std::vector<LagFit> recordLengths(std::span<const uint8_t> bytes, int32_t sampleBytes, int64_t minLag,
                                  int64_t maxLag, size_t count, const KeepGoing& keepGoing)
{
    maxLag = std::min<int64_t>(maxLag, static_cast<int64_t>(bytes.size()) / 2);
    if (maxLag <= minLag + 2) return {};
    // Compared from the window's end back: a header comes before the image,
    // and where the window holds a whole small file its start may be
    // mostly header, which repeats at every lag (zeros) or none.
    std::vector<float> signal = quietBytes(bytes, sampleBytes);
    std::reverse(signal.begin(), signal.end());
    const std::vector<double> difference = laggedDifferences(signal, maxLag);
    if (difference.empty() || (keepGoing && !keepGoing())) return {};
    std::vector<double> sorted(difference.begin() + minLag, difference.end());
    const double typical = std::max(quantile(sorted, 0.5), 1.0);
    // A lag between two samples pairs high bytes with low ones; against
    // those alone every aligned lag of a flat picture looks like a line.
    std::vector<double> aligned;
    for (int64_t lag = minLag; lag <= maxLag; ++lag)
        if (lag % sampleBytes == 0) aligned.push_back(difference[static_cast<size_t>(lag)]);
    const double typicalAligned = std::max(quantile(aligned, 0.5), 1.0);
    auto depthAt = [&](int64_t lag) { return 1.0 - difference[static_cast<size_t>(lag)] / typical; };
    auto fitAt = [&](int64_t lag) {
        LagFit fit{lag, depthAt(lag), 1.0 - difference[static_cast<size_t>(lag)] / typicalAligned, {}};
        const double within = 1.03 * difference[static_cast<size_t>(lag)];
        for (int64_t samples = -alikeSamples; samples <= alikeSamples; ++samples) {
            const int64_t other = lag + samples * sampleBytes;
            if (samples != 0 && other >= minLag && other <= maxLag && difference[static_cast<size_t>(other)] <= within)
                fit.alike.push_back(other);
        }
        return fit;
    };
    auto bestNear = [&](int64_t lag, int64_t reach) {
        int64_t best = lag;
        for (int64_t l = std::max<int64_t>(1, lag - reach); l <= std::min(maxLag, lag + reach); ++l)
            if (difference[static_cast<size_t>(l)] < difference[static_cast<size_t>(best)]) best = l;
        return best;
    };

    // No lag within reach differs less; stops at the first that does, which
    // for most lags is near.
    auto lowestNear = [&](int64_t lag, int64_t reach) {
        const double own = difference[static_cast<size_t>(lag)];
        for (int64_t d = 1; d <= reach; ++d)
            for (const int64_t l : {lag - d, lag + d})
                if (l >= 1 && l <= maxLag && difference[static_cast<size_t>(l)] < own) return false;
        return true;
    };
    std::vector<LagFit> minima;
    for (int64_t lag = minLag; lag <= maxLag; ++lag)
        if (depthAt(lag) > 0.05 && lowestNear(lag, neighbourhood)) minima.push_back(fitAt(lag));
    std::sort(minima.begin(), minima.end(), [](const LagFit& a, const LagFit& b) { return a.depth > b.depth; });
    if (minima.size() > count) minima.resize(count);

    // Where lines repeat nearly exactly, every multiple of the record length
    // is as deep, and the deepest few may all be multiples of one another
    // far above it: the fractions of a fraction as deep as its lag count
    // too. Bounded, as a flat window makes many lags deep.
    const size_t most = count * 12;
    std::vector<LagFit> withFractions;
    std::vector<bool> divided;  // whose fractions are added
    auto add = [&](const LagFit& fit, bool divide) {
        const bool seen = std::any_of(withFractions.begin(), withFractions.end(),
                                      [&](const LagFit& f) { return f.lag == fit.lag; });
        if (!seen && withFractions.size() < most) withFractions.push_back(fit), divided.push_back(divide);
    };
    for (const LagFit& fit : minima) add(fit, true);
    for (size_t i = 0; i < withFractions.size(); ++i) {
        if (!divided[i]) continue;
        const LagFit fit = withFractions[i];
        for (int64_t k = 2; k <= 8 && fit.lag / k >= minLag; ++k) {
            const int64_t lag = bestNear((fit.lag + k / 2) / k, k);
            if (depthAt(lag) >= 0.8 * fit.depth) add(fitAt(lag), depthAt(lag) >= 0.999 * fit.depth);
        }
    }
    return withFractions;
}

namespace {

// Mean change between the decoded samples and those each of `others` bytes
// on (ascending), over runs of samples spread through the codes, each run at
// the byte where its samples read `record` bytes on most closely; 1e300
// where no pair could be compared.
std::vector<double> meanChanges(const SampleCodes& codes, int64_t record, const std::vector<int64_t>& others,
                                int32_t width)
{
    constexpr int64_t mostRuns = 4096, runSamples = 64;
    const int64_t span = runSamples * width + others.back();
    const auto size = std::ssize(codes.code);
    std::vector<double> changes(others.size(), 1e300);
    if (size < span + width) return changes;
    // Runs start at least 64 bytes apart: a small file is not compared over
    // the same samples again and again.
    const int64_t runs = std::min(mostRuns, (size - span - width) / runSamples + 1);
    const int16_t* code = codes.code.data();
    // Change from the run's samples to those `other` bytes on, pairs
    // outside the codes' range left out (samples read askew mostly are).
    auto runChange = [&](int64_t from, int64_t other, int64_t& pairs) {
        int64_t sum = 0;
        for (int64_t at = from; at < from + runSamples * width; at += width) {
            const bool both = !clamped(code[at]) && !clamped(code[at + other]);
            sum += both ? codeDistance(code[at], code[at + other]) : 0;
            pairs += both ? 1 : 0;
        }
        return sum;
    };
    std::vector<int64_t> sums(others.size(), 0), pairs(others.size(), 0);
    for (int64_t run = 0; run < runs; ++run) {
        // Each run at the byte of the width where its samples read the
        // record on most closely: where a record is not a whole number of
        // samples, that byte changes from record to record.
        const int64_t start = (size - span - width) * run / runs;
        int64_t from = start;
        double closest = 1e300;
        for (int64_t byte = start; byte < start + width; ++byte) {
            int64_t count = 0;
            const int64_t sum = runChange(byte, record, count);
            const double change = count * 2 >= runSamples ? static_cast<double>(sum) / static_cast<double>(count) : 1e300;
            if (change < closest) closest = change, from = byte;
        }
        if (closest == 1e300) continue;
        for (size_t i = 0; i < others.size(); ++i) sums[i] += runChange(from, others[i], pairs[i]);
    }
    for (size_t i = 0; i < others.size(); ++i)
        if (pairs[i] > 0) changes[i] = static_cast<double>(sums[i]) / static_cast<double>(pairs[i]);
    return changes;
}

// The record length and those up to `alikeSamples` whole samples either way.
std::vector<int64_t> lagsAround(int64_t record, int32_t width)
{
    std::vector<int64_t> lags;
    for (int64_t samples = -alikeSamples; samples <= alikeSamples; ++samples) lags.push_back(record + samples * width);
    return lags;
}

}  // namespace

double steadiestChange(const SampleCodes& codes, int64_t record, int32_t width)
{
    const std::vector<double> changes = meanChanges(codes, record, lagsAround(record, width), width);
    return *std::min_element(changes.begin(), changes.end());
}

double changeAtRecord(const SampleCodes& codes, int64_t record, int32_t width)
{
    return meanChanges(codes, record, {record}, width).front();
}

LagFit steadiestNeighbour(const SampleCodes& codes, const LagFit& lag, int32_t width, int64_t minLag)
{
    constexpr double clearlyCloser = 0.98;
    constexpr int moves = 4;
    const int64_t reach = alikeSamples * width;
    LagFit steadiest = lag;
    // Downhill, a few samples at a time, while another lag is clearly
    // closer: a diagonal a pixel of several bands along may be found first.
    for (int move = 0; move < moves; ++move) {
        const int64_t record = steadiest.lag;
        if (record - reach < std::max<int64_t>(minLag, 2 * width)) return steadiest;
        const std::vector<int64_t> others = lagsAround(record, width);
        const std::vector<double> changes = meanChanges(codes, record, others, width);
        const auto own = static_cast<size_t>(alikeSamples);
        const auto least = static_cast<size_t>(std::min_element(changes.begin(), changes.end()) - changes.begin());
        const size_t chosen = changes[least] < clearlyCloser * changes[own] ? least : own;
        steadiest.lag = others[chosen];
        steadiest.alike.clear();
        for (size_t i = 0; i < others.size(); ++i)
            if (i != chosen && changes[i] <= changes[chosen] / clearlyCloser) steadiest.alike.push_back(others[i]);
        if (chosen == own) break;
    }
    return steadiest;
}

namespace {

// Whether `lag` is about `k` times `other`. Either may be a diagonal (a
// pixel to one side of the record) that repeats about as well, and their
// diagonals need not lean the same way, so the lags alike count too.
bool nearMultiple(const LagFit& lag, const LagFit& other, int64_t k, int32_t width)
{
    auto withAlike = [](const LagFit& fit) {
        std::vector<int64_t> all = fit.alike;
        all.push_back(fit.lag);
        return all;
    };
    const std::vector<int64_t> fractions = withAlike(other);
    for (const int64_t whole : withAlike(lag))
        for (const int64_t fraction : fractions)
            if (std::abs(whole - k * fraction) <= k * width) return true;
    return false;
}

}  // namespace

double lagWeight(const std::vector<LagFit>& lags, size_t index, const std::function<double(int64_t)>& changeAt,
                 int32_t width)
{
    double deepest = 0, clearest = 0;
    for (const LagFit& fit : lags) deepest = std::max(deepest, fit.depth), clearest = std::max(clearest, fit.contrast);
    // Against aligned lags where those differ clearly; where they barely do,
    // the samples' low bytes are noise and drown the comparison.
    const bool byContrast = clearest >= 0.15;
    auto measure = [&](const LagFit& fit) { return byContrast ? std::max(fit.contrast, 0.0) : fit.depth; };
    const LagFit& lag = lags[index];
    double weight = std::pow(measure(lag) / (byContrast ? clearest : deepest), 4);
    const bool multiple = std::any_of(lags.begin(), lags.end(), [&](const LagFit& other) {
        if (other.lag >= lag.lag || measure(other) < 0.9 * measure(lag)) return false;
        const int64_t k = (lag.lag + other.lag / 2) / other.lag;
        if (k < 2 || !nearMultiple(lag, other, k, width)) return false;
        return !(changeAt(lag.lag) < 0.9 * changeAt(other.lag));
    });
    return multiple ? weight / 2 : weight;
}

}  // namespace skeldra
