#include "analysis/AreaExtremes.h"

#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "base/Checked.h"

namespace skeldra {
namespace {

// Loads sample i of a run. The contiguous case has its own instance so that
// the compiler can vectorise the loops over it.
template <typename T, bool Contiguous>
struct RunLoader {
    const uint8_t* bytes;
    int64_t stride;
    bool swap;

    T operator()(int32_t i) const
    {
        const int64_t step = Contiguous ? int64_t{sizeof(T)} : stride;
        return loadSample<T>(bytes + i * step, swap);
    }
};

// Start values that any data value replaces or equals: the type's extremes,
// infinities for reals.
template <typename T>
constexpr T highest()
{
    if constexpr (std::is_floating_point_v<T>) return std::numeric_limits<T>::infinity();
    return std::numeric_limits<T>::max();
}

template <typename T>
constexpr T lowest()
{
    if constexpr (std::is_floating_point_v<T>) return -std::numeric_limits<T>::infinity();
    return std::numeric_limits<T>::lowest();
}

// One pass for the run's extremes and counts; a second pass for the first
// positions only when the run's extremes change the running ones. The
// run's extremes are the values the strict comparisons of a point-by-point
// scan would keep, and no non-data value or NaN can equal them.
template <typename T, bool Contiguous>
void scanRun(AreaExtremes& extremes, const RunLoader<T, Contiguous>& load, int32_t count,
             std::optional<T> nonData, Position first)
{
    const bool testNonData = nonData.has_value();
    const T nonDataValue = nonData.value_or(T{});
    T minimum = highest<T>();
    T maximum = lowest<T>();
    int32_t nonDataPoints = 0;
    int32_t notANumberPoints = 0;
    for (int32_t i = 0; i < count; ++i) {
        const T v = load(i);
        const bool isNonData = testNonData && v == nonDataValue;
        nonDataPoints += isNonData;
        if constexpr (std::is_floating_point_v<T>) notANumberPoints += (v != v);
        // A comparison with a NaN is false, so a NaN never becomes an extreme.
        minimum = !isNonData && v < minimum ? v : minimum;
        maximum = !isNonData && v > maximum ? v : maximum;
    }
    extremes.nonDataCount = add32(extremes.nonDataCount, nonDataPoints);
    extremes.notANumberCount += notANumberPoints;
    const int32_t dataPoints = count - nonDataPoints - notANumberPoints;
    if (dataPoints == 0) return;

    auto firstIndexOf = [&](T target) {
        int32_t i = 0;
        while (i < count - 1 && !(load(i) == target)) ++i;
        return i;
    };
    const bool firstData = extremes.dataCount == 0;
    if (firstData || static_cast<long double>(minimum) < extremes.minimum) {
        extremes.minimum = minimum;
        extremes.minimumAt = {first.line, first.sample + firstIndexOf(minimum)};
    }
    if (firstData || static_cast<long double>(maximum) > extremes.maximum) {
        extremes.maximum = maximum;
        extremes.maximumAt = {first.line, first.sample + firstIndexOf(maximum)};
    }
    extremes.dataCount += dataPoints;
}

// The non-data value as a sample of type T, when a sample can equal it. An
// integer sample equals the real form only when that form is a whole number
// in the type's range.
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

template <typename T>
void addTypedRun(AreaExtremes& extremes, const RawRun& run, bool swap, std::optional<long double> nonDataForm,
                 Position first)
{
    // Empty also when the test is on but no sample of this type can match.
    const std::optional<T> nonData = nonDataForm ? nonDataSample<T>(*nonDataForm) : std::nullopt;
    if (run.stride == int64_t{sizeof(T)})
        scanRun(extremes, RunLoader<T, true>{run.bytes, run.stride, swap}, run.count, nonData, first);
    else
        scanRun(extremes, RunLoader<T, false>{run.bytes, run.stride, swap}, run.count, nonData, first);
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
    std::optional<long double> form;
    if (ignoreNonDataValue)
        form = bytesPerSample == 8 ? static_cast<long double>(test.DoubleForm)
                                   : static_cast<long double>(test.SingleForm);
    const bool swap = format.mostSignificantFirst;
    switch (format.kind) {
    case SampleKind::U8: return addTypedRun<uint8_t>(*this, run, swap, form, first);
    case SampleKind::U16: return addTypedRun<uint16_t>(*this, run, swap, form, first);
    case SampleKind::I16: return addTypedRun<int16_t>(*this, run, swap, form, first);
    case SampleKind::U32: return addTypedRun<uint32_t>(*this, run, swap, form, first);
    case SampleKind::I32: return addTypedRun<int32_t>(*this, run, swap, form, first);
    case SampleKind::F32: return addTypedRun<float>(*this, run, swap, form, first);
    case SampleKind::F64: return addTypedRun<double>(*this, run, swap, form, first);
    case SampleKind::None: return;
    }
}

}  // namespace skeldra
