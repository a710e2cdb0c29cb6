// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/Percentiles.h"

#include <algorithm>
#include <charconv>
#include <bit>
#include <cmath>
#include <limits>
#include <type_traits>

#include "base/Checked.h"
#include "base/Errors.h"

namespace skeldra {
namespace {

// Keys ordered like the values of their kind: signed integers with the sign
// bit flipped, reals with the sign bit flipped when positive and every bit
// flipped when negative.
template <typename T>
uint64_t orderedKey(T value)
{
    if constexpr (std::is_floating_point_v<T>) {
        using U = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
        constexpr U sign = U{1} << (8 * sizeof(U) - 1);
        const U bits = std::bit_cast<U>(value);
        return (bits & sign) ? static_cast<U>(~bits) : static_cast<U>(bits | sign);
    } else {
        using U = std::make_unsigned_t<T>;
        constexpr U bias = std::is_signed_v<T> ? static_cast<U>(U{1} << (8 * sizeof(U) - 1)) : U{0};
        return static_cast<U>(static_cast<U>(value) ^ bias);
    }
}

template <typename T>
T valueOfKey(uint64_t key)
{
    if constexpr (std::is_floating_point_v<T>) {
        using U = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
        constexpr U sign = U{1} << (8 * sizeof(U) - 1);
        const U k = static_cast<U>(key);
        return std::bit_cast<T>((k & sign) ? static_cast<U>(k & ~sign) : static_cast<U>(~k));
    } else {
        using U = std::make_unsigned_t<T>;
        constexpr U bias = std::is_signed_v<T> ? static_cast<U>(U{1} << (8 * sizeof(U) - 1)) : U{0};
        return static_cast<T>(static_cast<U>(static_cast<U>(key) ^ bias));
    }
}

int keyBitsOf(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return 8;
    case SampleKind::U16:
    case SampleKind::I16: return 16;
    case SampleKind::U32:
    case SampleKind::I32:
    case SampleKind::F32: return 32;
    case SampleKind::F64: return 64;
    case SampleKind::None: return 0;
    }
    return 0;
}

// The non-data value as a sample of type T could hold it; empty when no
// sample equals it.
template <typename T>
std::optional<T> nonDataSample(long double form)
{
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(form);
    } else {
        if (!(form >= std::numeric_limits<T>::lowest() && form <= std::numeric_limits<T>::max())) return {};
        if (std::trunc(form) != form) return {};
        return static_cast<T>(form);
    }
}

}  // namespace

std::string clipPercentText(long double percent)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(percent)).ptr;
    return std::string(text, end);
}

long double checkedClipPercent(long double percent)
{
    // Beyond half, the low value would lie above the high one.
    if (!(percent >= 0 && percent <= 50)) throw Error("Clip % must lie between 0 and 50");
    return percent;
}

int64_t lowPercentileRank(int64_t count, long double percent)
{
    const long double rank = std::ceil(static_cast<long double>(count) * percent / 100);
    if (!(rank >= 1)) return 1;
    return rank >= static_cast<long double>(count) ? count : static_cast<int64_t>(rank);
}

std::optional<PercentileValues> percentilesOf(std::vector<long double> values, long double percent)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](long double v) { return std::isnan(v); }),
                 values.end());
    if (values.empty()) return std::nullopt;
    const auto count = static_cast<int64_t>(values.size());
    const int64_t rank = lowPercentileRank(count, percent);
    PercentileValues found;
    found.dataPoints = count;
    std::nth_element(values.begin(), values.begin() + (rank - 1), values.end());
    found.low = values[static_cast<size_t>(rank - 1)];
    std::nth_element(values.begin(), values.begin() + (count - rank), values.end());
    found.high = values[static_cast<size_t>(count - rank)];
    return found;
}

int PercentileSearch::keyBits() const { return keyBitsOf(kind_); }

int PercentileSearch::digitBits() const { return std::min(16, keyBits() - passBits_); }

bool PercentileSearch::startKind(SampleKind kind)
{
    if (kind == SampleKind::None) return false;
    if (kind_ == SampleKind::None) {
        kind_ = kind;
        lowCounts_.assign(size_t{1} << digitBits(), 0);
    }
    if (kind != kind_) mixedKinds_ = true;
    return !mixedKinds_;
}

void PercentileSearch::countKey(uint64_t key)
{
    const uint64_t bucket = (key >> shift()) & ((uint64_t{1} << digitBits()) - 1);
    if (passBits_ == 0) {
        ++lowCounts_[bucket];
        return;
    }
    const uint64_t known = key >> (keyBits() - passBits_);
    if (known == low_.prefix) ++lowCounts_[bucket];
    if (known == high_.prefix && high_.prefix != low_.prefix) ++highCounts_[bucket];
}

// The first pass over 8- and 16-bit samples is the one that must be fast: it
// runs beside the plain statistics, and the key is the bucket.
template <typename T, bool Swap, bool TestNonData>
void PercentileSearch::countRun(const RawRun& run, T nonData)
{
    const uint64_t nonDataKey = orderedKey(nonData);
    if (passBits_ == 0 && sizeof(T) <= 2) {
        // 32-bit counters keep the 16-bit table within the core's cache;
        // they are added into the totals before they could wrap.
        if (narrowCounts_.empty()) narrowCounts_.assign(lowCounts_.size(), 0);
        if (narrowPending_ + run.count > int64_t{UINT32_MAX}) foldNarrowCounts();
        narrowPending_ += run.count;
        uint32_t* counts = narrowCounts_.data();
        for (int32_t i = 0; i < run.count; ++i) {
            const T v = loadSample<T>(run.bytes + i * run.stride, Swap);
            const uint64_t key = orderedKey(v);
            if (TestNonData && key == nonDataKey) continue;
            ++counts[key];
        }
        return;
    }
    for (int32_t i = 0; i < run.count; ++i) {
        const T v = loadSample<T>(run.bytes + i * run.stride, Swap);
        if (v != v) continue;
        const uint64_t key = orderedKey(v);
        if (TestNonData && key == nonDataKey) continue;
        countKey(key);
    }
}

template <typename T>
void PercentileSearch::countRunOf(const RawRun& run, bool swap, std::optional<long double> nonDataForm)
{
    const std::optional<T> nonData = nonDataForm ? nonDataSample<T>(*nonDataForm) : std::nullopt;
    const bool test = nonData.has_value();
    const T value = nonData.value_or(T{});
    if (swap && sizeof(T) > 1)
        test ? countRun<T, true, true>(run, value) : countRun<T, true, false>(run, value);
    else
        test ? countRun<T, false, true>(run, value) : countRun<T, false, false>(run, value);
}

void PercentileSearch::addRun(const RawRun& run, SampleFormat format, std::optional<long double> nonDataForm)
{
    if (run.count <= 0 || done_ || !startKind(format.kind)) return;
    withSampleType(format.kind, [&](auto sample) {
        countRunOf<decltype(sample)>(run, format.mostSignificantFirst, nonDataForm);
        return 0;
    });
}

template <typename T, bool Swap, bool TestNonData>
void PercentileSearch::countRunWithExtremes(const RawRun& run, T nonData, AreaExtremes& extremes, Position first)
{
    using U = std::make_unsigned_t<T>;
    const U nonDataKey = static_cast<U>(orderedKey(nonData));
    if (narrowCounts_.empty()) narrowCounts_.assign(lowCounts_.size(), 0);
    if (narrowPending_ + run.count > int64_t{UINT32_MAX}) foldNarrowCounts();
    narrowPending_ += run.count;
    uint32_t* counts = narrowCounts_.data();
    const auto keyAt = [&](int32_t i) { return static_cast<U>(orderedKey(loadSample<T>(run.bytes + i * run.stride, Swap))); };
    U low = std::numeric_limits<U>::max(), high = 0;
    int32_t nonDataPoints = 0;
    for (int32_t i = 0; i < run.count; ++i) {
        const U key = keyAt(i);
        if (TestNonData && key == nonDataKey) {
            ++nonDataPoints;
            continue;
        }
        ++counts[key];
        low = key < low ? key : low;
        high = key > high ? key : high;
    }
    extremes.nonDataCount = add32(extremes.nonDataCount, nonDataPoints);
    const int32_t dataPoints = run.count - nonDataPoints;
    if (dataPoints == 0) return;
    // The extreme keys are data keys, so their first match is a data point.
    const auto firstAt = [&](U target) {
        int32_t i = 0;
        while (keyAt(i) != target) ++i;
        return Position{first.line, first.sample + i};
    };
    const long double minimum = valueOfKey<T>(low), maximum = valueOfKey<T>(high);
    const Position minimumAt = extremes.wouldTakeMinimum(minimum) ? firstAt(low) : Position{};
    const Position maximumAt = extremes.wouldTakeMaximum(maximum) ? firstAt(high) : Position{};
    extremes.mergeExtremes(minimum, minimumAt, maximum, maximumAt, dataPoints);
}

bool PercentileSearch::addRunWithExtremes(const RawRun& run, SampleFormat format,
                                          std::optional<long double> nonDataForm, AreaExtremes& extremes,
                                          Position first)
{
    const SampleKind kind = format.kind;
    if (passBits_ != 0 || run.count <= 0 || done_ ||
        !(kind == SampleKind::U8 || kind == SampleKind::U16 || kind == SampleKind::I16) || !startKind(kind))
        return false;
    const auto count = [&](auto sample) {
        using T = decltype(sample);
        const std::optional<T> nonData = nonDataForm ? nonDataSample<T>(*nonDataForm) : std::nullopt;
        const T value = nonData.value_or(T{});
        if (format.mostSignificantFirst && sizeof(T) > 1)
            nonData ? countRunWithExtremes<T, true, true>(run, value, extremes, first)
                    : countRunWithExtremes<T, true, false>(run, value, extremes, first);
        else
            nonData ? countRunWithExtremes<T, false, true>(run, value, extremes, first)
                    : countRunWithExtremes<T, false, false>(run, value, extremes, first);
    };
    if (kind == SampleKind::U8) count(uint8_t{});
    else if (kind == SampleKind::U16) count(uint16_t{});
    else count(int16_t{});
    return true;
}

void PercentileSearch::addValue(long double value, SampleKind kind)
{
    if (done_ || std::isnan(value) || !startKind(kind)) return;
    countKey(withSampleType(kind, [&](auto sample) { return orderedKey(static_cast<decltype(sample)>(value)); }));
}

void PercentileSearch::locate(Target& target, const std::vector<int64_t>& counts) const
{
    int64_t below = 0;
    size_t bucket = 0;
    while (bucket + 1 < counts.size() && below + counts[bucket] < target.rank) below += counts[bucket++];
    target.rank -= below;
    target.prefix = (target.prefix << digitBits()) | bucket;
}

void PercentileSearch::foldNarrowCounts()
{
    for (size_t i = 0; i < narrowCounts_.size(); ++i) lowCounts_[i] += narrowCounts_[i];
    std::fill(narrowCounts_.begin(), narrowCounts_.end(), 0u);
    narrowPending_ = 0;
}

bool PercentileSearch::endPass()
{
    if (done_) return false;
    foldNarrowCounts();
    if (kind_ == SampleKind::None || mixedKinds_) {
        done_ = true;
        return false;
    }
    if (passBits_ == 0) {
        for (int64_t n : lowCounts_) dataPoints_ += n;
        if (dataPoints_ == 0) {
            done_ = true;
            return false;
        }
        const int64_t rank = lowPercentileRank(dataPoints_, percent_);
        low_.rank = rank;
        high_.rank = dataPoints_ - rank + 1;
    }
    // While the prefixes agree, one set of counts serves both targets.
    const bool shared = low_.prefix == high_.prefix;
    locate(low_, lowCounts_);
    locate(high_, shared ? lowCounts_ : highCounts_);
    passBits_ += digitBits();
    if (passBits_ >= keyBits()) {
        done_ = true;
        return false;
    }
    lowCounts_.assign(size_t{1} << digitBits(), 0);
    highCounts_.assign(low_.prefix != high_.prefix ? lowCounts_.size() : 0, 0);
    return true;
}

std::optional<PercentileValues> PercentileSearch::result() const
{
    if (!done_ || dataPoints_ == 0 || mixedKinds_ || kind_ == SampleKind::None) return std::nullopt;
    PercentileValues found;
    found.dataPoints = dataPoints_;
    withSampleType(kind_, [&](auto sample) {
        using T = decltype(sample);
        found.low = valueOfKey<T>(low_.prefix);
        found.high = valueOfKey<T>(high_.prefix);
        return 0;
    });
    return found;
}

}  // namespace skeldra
