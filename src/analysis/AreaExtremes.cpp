// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/AreaExtremes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "base/Checked.h"

namespace skeldra {
namespace {

// Takes a run's extremes into the running ones. indexOf(target) gives the
// first index in the run of a data value equal to target; it is called only
// when the run changes an extreme, so most runs need a single pass.
template <typename Value, typename IndexOf>
void mergeRun(AreaExtremes& e, Value runMinimum, Value runMaximum, int32_t dataPoints, Position first,
              const IndexOf& indexOf)
{
    if (dataPoints == 0) return;
    const bool firstData = e.dataCount == 0;
    if (firstData || static_cast<long double>(runMinimum) < e.minimum) {
        e.minimum = runMinimum;
        e.minimumAt = {first.line, first.sample + indexOf(runMinimum)};
    }
    if (firstData || static_cast<long double>(runMaximum) > e.maximum) {
        e.maximum = runMaximum;
        e.maximumAt = {first.line, first.sample + indexOf(runMaximum)};
    }
    e.dataCount += dataPoints;
}

// Loads sample i of a run as T. Swapping, and the step when the samples
// lie side by side, are fixed at compile time so that the loops vectorise.
template <typename T, bool Swap, bool Contiguous>
struct RunLoader {
    const uint8_t* bytes;
    int64_t stride;

    T operator()(int32_t i) const
    {
        const int64_t step = Contiguous ? int64_t{sizeof(T)} : stride;
        return loadSample<T>(bytes + i * step, Swap);
    }
};

// How many keys of a run equal target. The counter has the keys' width so
// that the loop vectorises; blocks keep it from wrapping.
template <typename U, typename Keys>
int32_t countMatches(const Keys& keys, int32_t count, U target)
{
    constexpr int32_t block = static_cast<int32_t>(std::min<uint32_t>(std::numeric_limits<U>::max(), 65535));
    int32_t total = 0;
    for (int32_t start = 0; start < count; start += block) {
        const int32_t end = std::min(count, start + block);
        U matches = 0;
        for (int32_t i = start; i < end; ++i) matches = static_cast<U>(matches + (keys(i) == target));
        total += matches;
    }
    return total;
}

// Integer samples. Each sample becomes an unsigned key that orders like
// its value (signed types have their sign bit flipped), so that the
// minimum and maximum are plain unsigned reductions. A non-data key is
// masked to the neutral end of each reduction.
template <typename T, bool Swap, bool Contiguous, bool TestNonData>
void scanIntegerRun(AreaExtremes& e, const RawRun& run, T nonData, Position first)
{
    using U = std::make_unsigned_t<T>;
    constexpr U bias = std::is_signed_v<T> ? static_cast<U>(U{1} << (8 * sizeof(U) - 1)) : U{0};
    const RunLoader<U, Swap, Contiguous> load{run.bytes, run.stride};
    const auto key = [&](int32_t i) { return static_cast<U>(load(i) ^ bias); };
    const U nonDataKey = static_cast<U>(static_cast<U>(nonData) ^ bias);

    // SSE2 has the minimum and maximum of signed 16-bit lanes only, so 16-bit
    // keys are reduced with their top bit flipped, as signed numbers, which
    // order the same way.
    using R = std::conditional_t<sizeof(U) == 2, int16_t, U>;
    constexpr U flip = sizeof(U) == 2 ? static_cast<U>(0x8000) : U{0};
    const auto reduced = [](U k) { return static_cast<R>(static_cast<U>(k ^ flip)); };
    const auto unreduced = [](R r) { return static_cast<U>(static_cast<U>(r) ^ flip); };
    R reducedMinimum = reduced(std::numeric_limits<U>::max());
    R reducedMaximum = reduced(0);
    for (int32_t i = 0; i < run.count; ++i) {
        const U k = key(i);
        U forMinimum = k, forMaximum = k;
        if constexpr (TestNonData) {
            const U mask = static_cast<U>(-static_cast<int>(k == nonDataKey));
            forMinimum = static_cast<U>(k | mask);
            forMaximum = static_cast<U>(k & ~mask);
        }
        const R m = reduced(forMinimum), n = reduced(forMaximum);
        reducedMinimum = m < reducedMinimum ? m : reducedMinimum;
        reducedMaximum = n > reducedMaximum ? n : reducedMaximum;
    }
    const U minimum = unreduced(reducedMinimum);
    const U maximum = unreduced(reducedMaximum);
    const int32_t nonDataPoints = TestNonData ? countMatches(key, run.count, nonDataKey) : 0;
    e.nonDataCount = add32(e.nonDataCount, nonDataPoints);

    const auto value = [](U k) { return static_cast<T>(static_cast<U>(k ^ bias)); };
    const auto indexOf = [&](T target) {
        const U targetKey = static_cast<U>(static_cast<U>(target) ^ bias);
        int32_t i = 0;
        while (i < run.count - 1 && key(i) != targetKey) ++i;
        return i;
    };
    mergeRun(e, value(minimum), value(maximum), run.count - nonDataPoints, first, indexOf);
}

// Real samples: NaNs are counted and left out (a comparison with a NaN is
// false), infinities are data. Start values are infinities, which any data
// value replaces or equals.
template <typename T, bool Swap, bool Contiguous>
void scanRealRun(AreaExtremes& e, const RawRun& run, std::optional<T> nonData, Position first)
{
    const RunLoader<T, Swap, Contiguous> load{run.bytes, run.stride};
    const bool testNonData = nonData.has_value();
    const T nonDataValue = nonData.value_or(T{});
    T minimum = std::numeric_limits<T>::infinity();
    T maximum = -std::numeric_limits<T>::infinity();
    int32_t nonDataPoints = 0;
    int32_t notANumberPoints = 0;
    for (int32_t i = 0; i < run.count; ++i) {
        const T v = load(i);
        const bool isNonData = testNonData && v == nonDataValue;
        nonDataPoints += isNonData;
        notANumberPoints += (v != v);
        minimum = !isNonData && v < minimum ? v : minimum;
        maximum = !isNonData && v > maximum ? v : maximum;
    }
    e.nonDataCount = add32(e.nonDataCount, nonDataPoints);
    e.notANumberCount += notANumberPoints;
    // No NaN and no non-data value equals an extreme, so the first equal
    // value is the extreme's first data point.
    const auto indexOf = [&](T target) {
        int32_t i = 0;
        while (i < run.count - 1 && !(load(i) == target)) ++i;
        return i;
    };
    mergeRun(e, minimum, maximum, run.count - nonDataPoints - notANumberPoints, first, indexOf);
}

// The non-data value as an integer sample of type T: only a whole number in
// the type's range can equal one.
template <typename T>
std::optional<T> integerNonData(long double form)
{
    if (!(form >= std::numeric_limits<T>::lowest() && form <= std::numeric_limits<T>::max())) return {};
    if (std::trunc(form) != form) return {};
    return static_cast<T>(form);
}

template <typename T, bool Swap, bool Contiguous>
void addIntegerRun(AreaExtremes& e, const RawRun& run, std::optional<long double> form, Position first)
{
    const std::optional<T> nonData = form ? integerNonData<T>(*form) : std::nullopt;
    if (nonData)
        scanIntegerRun<T, Swap, Contiguous, true>(e, run, *nonData, first);
    else
        scanIntegerRun<T, Swap, Contiguous, false>(e, run, T{}, first);
}

template <typename T, bool Swap, bool Contiguous>
void addTypedRun(AreaExtremes& e, const RawRun& run, std::optional<long double> form, Position first)
{
    if constexpr (std::is_floating_point_v<T>) {
        const std::optional<T> nonData = form ? std::optional<T>(static_cast<T>(*form)) : std::nullopt;
        scanRealRun<T, Swap, Contiguous>(e, run, nonData, first);
    } else {
        addIntegerRun<T, Swap, Contiguous>(e, run, form, first);
    }
}

template <typename T>
void addRunOf(AreaExtremes& e, const RawRun& run, bool swap, std::optional<long double> form, Position first)
{
    const bool contiguous = run.stride == int64_t{sizeof(T)};
    if (swap && sizeof(T) > 1)
        contiguous ? addTypedRun<T, true, true>(e, run, form, first) : addTypedRun<T, true, false>(e, run, form, first);
    else
        contiguous ? addTypedRun<T, false, true>(e, run, form, first) : addTypedRun<T, false, false>(e, run, form, first);
}

}  // namespace

void AreaExtremes::takeData(long double value, Position at)
{
    const bool firstData = dataCount == 0;
    if (firstData || value < minimum) {
        minimum = value;
        minimumAt = at;
    }
    if (firstData || value > maximum) {
        maximum = value;
        maximumAt = at;
    }
    ++dataCount;
}

void AreaExtremes::mergeExtremes(long double runMinimum, Position minimumAt, long double runMaximum,
                                 Position maximumAt, int64_t dataPoints)
{
    if (dataPoints <= 0) return;
    if (wouldTakeMinimum(runMinimum)) {
        minimum = runMinimum;
        this->minimumAt = minimumAt;
    }
    if (wouldTakeMaximum(runMaximum)) {
        maximum = runMaximum;
        this->maximumAt = maximumAt;
    }
    dataCount += dataPoints;
}

void AreaExtremes::addPoint(long double value, bool nonData, Position at)
{
    if (nonData)
        nonDataCount = add32(nonDataCount, 1);
    else if (std::isnan(value))
        ++notANumberCount;
    else
        takeData(value, at);
}

void AreaExtremes::addRun(const RawRun& run, SampleFormat format, const NonDataTest& test,
                          int32_t bytesPerSample, bool ignoreNonDataValue, Position first)
{
    if (run.count <= 0) return;
    // The form the samples' width compares with, as in IsNonDataValue.
    std::optional<long double> form;
    if (ignoreNonDataValue)
        form = bytesPerSample == 8 ? static_cast<long double>(test.DoubleForm)
                                   : static_cast<long double>(test.SingleForm);
    const bool swap = format.mostSignificantFirst;
    switch (format.kind) {
    case SampleKind::U8: return addRunOf<uint8_t>(*this, run, swap, form, first);
    case SampleKind::U16: return addRunOf<uint16_t>(*this, run, swap, form, first);
    case SampleKind::I16: return addRunOf<int16_t>(*this, run, swap, form, first);
    case SampleKind::U32: return addRunOf<uint32_t>(*this, run, swap, form, first);
    case SampleKind::I32: return addRunOf<int32_t>(*this, run, swap, form, first);
    case SampleKind::F32: return addRunOf<float>(*this, run, swap, form, first);
    case SampleKind::F64: return addRunOf<double>(*this, run, swap, form, first);
    case SampleKind::None: return;
    }
}

}  // namespace skeldra
