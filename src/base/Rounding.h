// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Rounding of extended reals to integers: to the nearest, a value exactly
// halfway going to the even neighbour.
#include <cstdint>
#include <optional>

namespace skeldra {

// Raises "Invalid floating point operation" for a value outside the 64-bit
// range and for a NaN.
int64_t roundToInt64(long double value);

// The same rounding without the error: empty when the value cannot be held.
std::optional<int64_t> tryRoundToInt64(long double value);

// round-half-even of a real to a real (no range limit).
long double roundHalfEven(long double value);

}  // namespace skeldra
