// SPDX-License-Identifier: BSD-3-Clause
#include "base/Rounding.h"

#include <cfenv>
#include <cmath>

#include "base/Errors.h"

namespace skeldra {

long double roundHalfEven(long double value)
{
    // nearbyint rounds in the current mode, which the program never changes
    // from round-to-nearest-even.
    return std::nearbyint(value);
}

std::optional<int64_t> tryRoundToInt64(long double value)
{
    if (std::isnan(value)) return std::nullopt;
    const long double r = roundHalfEven(value);
    constexpr long double limit = 0x1p63L;
    if (r < -limit || r >= limit) return std::nullopt;
    return static_cast<int64_t>(r);
}

int64_t roundToInt64(long double value)
{
    const auto r = tryRoundToInt64(value);
    if (!r) throwInvalidFloatingPointOperation();
    return *r;
}

}  // namespace skeldra
