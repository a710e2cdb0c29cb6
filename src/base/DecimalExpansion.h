// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The leading decimal digits of an extended real, exactly. Every printed real
// is derived from these 19 digits, so they must be the true digits of the
// binary value, never an approximation.
#include <cstdint>

namespace skeldra {

// value = digits x 10^(exponent - 18), digits truncated (not rounded) to 19
// significant digits: 10^18 <= digits < 10^19 for a nonzero value. Rounding
// needs only the first dropped digit, so 19 truncated digits are enough for
// any rounding to 18 or fewer digits.
struct LeadingDigits {
    bool negative = false;
    uint64_t digits = 0;  // 0 for a zero value
    int exponent = 0;
};

// The fast source: correctly rounded digits from the standard library with
// eight spare digits, and the exact path when the spare digits cannot tell
// whether a carry reached the 19th digit. Precondition: value is finite.
LeadingDigits leadingDigits(long double value);

// The reference: big-integer expansion of significand x 2^exponent over the
// whole extended range, subnormals included. Precondition: value is finite.
LeadingDigits leadingDigitsExact(long double value);

}  // namespace skeldra
