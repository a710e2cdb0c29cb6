// SPDX-License-Identifier: BSD-3-Clause
#include "output/GrayMapping.h"

#include <cmath>
#include <limits>
#include <optional>

#include "base/Errors.h"
#include "output/RealGrayLevels.h"

namespace skeldra {
namespace {

// Square-and-multiply over the bits of a whole exponent, lowest bit first,
// so that gamma 1 gives x exactly and gamma 2 gives x * x.
long double wholePower(long double x, uint32_t exponent)
{
    long double result = 1;
    long double factor = x;
    while (exponent != 0) {
        if (exponent & 1u) result *= factor;
        exponent >>= 1;
        if (exponent != 0) factor *= factor;
    }
    return result;
}

// x^gamma for 0 < x < 1 and gamma > 0.
long double power(long double x, long double gamma)
{
    if (gamma == std::floor(gamma) && gamma <= 2147483647.0L)
        return wholePower(x, static_cast<uint32_t>(gamma));
    return std::exp(gamma * std::log(x));
}

}  // namespace

long double checkedGamma(long double gamma)
{
    if (gamma < 0) throw Error("Gamma must not be negative");
    return gamma;
}

GrayMapping MakeGrayMapping(long double minimum, long double maximum, long double gamma)
{
    const long double range = maximum - minimum;
    return {minimum, range > 0 ? 1 / range : 0, checkedGamma(gamma)};
}

namespace {

// top * x^gamma, or -1 where the level is 0 and top + 1 where it is top
// without a power being taken.
long double unroundedLevelOf(const GrayMapping& mapping, long double value, long double top)
{
    if (mapping.Gamma == 0) return top + 1;
    long double d = value - mapping.DataMin;
    if (!(d > 0)) return -1;
    // An infinite distance would make 0 * INF; with no positive range every
    // value maps to the minimum's level.
    const long double x = std::isinf(d) ? (mapping.InverseRange > 0 ? d : 0) : d * mapping.InverseRange;
    if (x == 0) return -1;
    // Testing x >= 1 first gives 255 for any value above the maximum without
    // raising a huge value to a power.
    if (x >= 1) return top + 1;
    return top * power(x, mapping.Gamma);
}

}  // namespace

long double UnroundedLevel(const GrayMapping& mapping, long double value)
{
    return unroundedLevelOf(mapping, value, 255);
}

uint16_t GrayLevel16(const GrayMapping& mapping, long double value, bool nonData)
{
    if (nonData) return 0;
    const long double v = std::isnan(value) ? mapping.DataMin : value;
    const long double level = std::nearbyint(unroundedLevelOf(mapping, v, 65535));
    return level > 65535 ? 65535 : level < 0 ? 0 : static_cast<uint16_t>(level);
}

uint8_t GrayLevel(const GrayMapping& mapping, long double value, bool nonData)
{
    const long double v = nonData || std::isnan(value) ? mapping.DataMin : value;
    const long double level = std::nearbyint(UnroundedLevel(mapping, v));
    return level > 255 ? 255 : level < 0 ? 0 : static_cast<uint8_t>(level);
}

const uint8_t* GrayTable::levels(SampleFormat format, bool ignoreNonData)
{
    if (levels_.empty() || format.kind != format_.kind ||
        format.mostSignificantFirst != format_.mostSignificantFirst || ignoreNonData != ignore_)
        fill(format, ignoreNonData);
    return levels_.data();
}

void GrayTable::fill(SampleFormat format, bool ignoreNonData)
{
    const size_t entries = format.kind == SampleKind::U8 ? 256 : 65536;
    levels_.resize(entries);
    // 16-bit values are exact as 4-byte reals, so the step table gives
    // GrayLevel's levels without taking 65536 powers.
    std::optional<RealGrayLevels<float>> steps;
    if (entries > 256) steps.emplace(mapping_);
    for (size_t raw = 0; raw < entries; ++raw) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(raw & 0xFF), static_cast<uint8_t>(raw >> 8)};
        const long double value = decodeSample(bytes, format);
        const bool nonData = IsNonDataValue(test_, value, bytesPerSample_, ignoreNonData);
        levels_[raw] = steps && !nonData ? steps->level(static_cast<float>(value)) : GrayLevel(mapping_, value, nonData);
    }
    format_ = format;
    ignore_ = ignoreNonData;
}

}  // namespace skeldra
