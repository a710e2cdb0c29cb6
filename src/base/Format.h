// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The formatting engine of every log line and message. The decimal point is
// always "." and there is never a thousands separator, whatever the locale.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace skeldra {

// Significant digits of a real: value = 0.d1 d2 d3 ... x 10^exponent10 would be
// ambiguous, so the convention is d1.d2d3... x 10^exponent (d1 != 0 unless the
// value is zero, in which case digits are all '0' and exponent is 0).
struct DecimalDigits {
    bool negative = false;
    std::string digits;  // exactly the requested number of significant digits
    int exponent = 0;
};

// The digits of a finite value: its exact decimal expansion rounded first to
// 18 significant digits and then to `significant` (at most 18), each rounding
// taking a dropped part of one half or more up in magnitude.
DecimalDigits roundedDecimalDigits(long double value, int significant);

// "%d": decimal, leading minus when negative, no grouping.
std::string formatInteger(int64_t value);

// "%e": one digit, ".", 14 digits, "E", sign, at least three exponent digits
// (1.00000000000000E+020). Non-finite: "INF", "-INF", "NAN", "-NAN" (a NaN
// with its sign bit set).
std::string formatScientific(long double value);

// "%0.3g": three significant digits; plain for 0.0001 <= |v| < 1000, else
// mantissa "E" exponent (1E3, 1.23E5, 1E-5); trailing zeros dropped.
std::string formatGeneral3(long double value);

// Scientific with `significant` digits and the three-or-more-digit exponent,
// then the exponent's leading zero dropped when the third character from the
// end is "0" (1.5000000E+000 becomes 1.5000000E+00). Four-digit exponents of
// extended values keep all their digits (1.0000000E+4000, never E+400).
// Non-finite as formatScientific. Zero, negative zero too, has no sign.
std::string formatRealDigits(long double value, int significant);

// One argument of format(): an integer for "%d", a text for "%s", a real for
// "%e" and "%0.3g".
using FormatArg = std::variant<int64_t, std::string, long double>;

// printf-like: "%d", "%s", "%e", "%0.3g" and "%%". A mismatch between the
// directives and the arguments is a programming error (std::logic_error).
std::string format(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace skeldra
