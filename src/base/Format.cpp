// SPDX-License-Identifier: BSD-3-Clause
#include "base/Format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "base/DecimalExpansion.h"

namespace skeldra {

namespace {

uint64_t powerOf10(int n)
{
    uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// Keeps the first `kept` of `count` digits, a first dropped digit of 5 or
// more rounding the magnitude up; a carry to one more digit moves the exponent.
void roundDigits(uint64_t& digits, int& exponent, int count, int kept)
{
    const uint64_t dropped = powerOf10(count - kept);
    const bool up = (digits / (dropped / 10)) % 10 >= 5;
    digits = digits / dropped + (up ? 1 : 0);
    if (digits == powerOf10(kept)) {
        digits /= 10;
        ++exponent;
    }
}

std::string nonFiniteText(long double value)
{
    if (std::isnan(value)) return std::signbit(value) ? "-NAN" : "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string exponentDigits(int exponent, int minimumDigits)
{
    std::string s = std::to_string(std::abs(exponent));
    if (static_cast<int>(s.size()) < minimumDigits)
        s.insert(0, static_cast<size_t>(minimumDigits) - s.size(), '0');
    return s;
}

// Negative zero is written like zero: the sign of a zero tells the user
// nothing about the data, and "-0.0" next to "0.0" in a listing reads as two
// different values.
bool showsMinus(const DecimalDigits& d) { return d.negative && d.digits[0] != '0'; }

// d.ddd...E+xxx with at least three exponent digits.
std::string scientificText(const DecimalDigits& d)
{
    std::string s = showsMinus(d) ? "-" : "";
    s += d.digits[0];
    if (d.digits.size() > 1) {
        s += '.';
        s.append(d.digits, 1);
    }
    s += 'E';
    s += d.exponent < 0 ? '-' : '+';
    s += exponentDigits(d.exponent, 3);
    return s;
}

void dropTrailingFractionZeros(std::string& s)
{
    if (s.find('.') == std::string::npos) return;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
}

std::string plainText(const DecimalDigits& d)
{
    std::string s;
    if (d.exponent >= 0) {
        s = d.digits.substr(0, static_cast<size_t>(d.exponent) + 1);
        s.append(d.exponent + 1 - static_cast<int>(s.size()), '0');
        if (static_cast<size_t>(d.exponent) + 1 < d.digits.size())
            s += "." + d.digits.substr(static_cast<size_t>(d.exponent) + 1);
    } else {
        s = "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    }
    dropTrailingFractionZeros(s);
    return s;
}

std::string general3Scientific(const DecimalDigits& d)
{
    std::string mantissa = d.digits.substr(0, 1) + "." + d.digits.substr(1);
    dropTrailingFractionZeros(mantissa);
    return mantissa + "E" + std::to_string(d.exponent);
}

[[noreturn]] void formatMismatch(std::string_view pattern)
{
    throw std::logic_error("format: directives and arguments disagree in \"" +
                           std::string(pattern) + "\"");
}

template <typename T>
const T& nextArgument(std::initializer_list<FormatArg>::iterator& it,
                      std::initializer_list<FormatArg> args, std::string_view pattern)
{
    if (it == args.end()) formatMismatch(pattern);
    const T* value = std::get_if<T>(&*it++);
    if (value == nullptr) formatMismatch(pattern);
    return *value;
}

}  // namespace

DecimalDigits roundedDecimalDigits(long double value, int significant)
{
    if (significant < 1 || significant > 18)
        throw std::logic_error("roundedDecimalDigits: 1 to 18 significant digits");
    const LeadingDigits lead = leadingDigits(value);
    DecimalDigits result;
    result.negative = lead.negative;
    if (lead.digits == 0) {
        result.digits.assign(static_cast<size_t>(significant), '0');
        return result;
    }
    uint64_t digits = lead.digits;
    int exponent = lead.exponent;
    roundDigits(digits, exponent, 19, 18);
    if (significant < 18) roundDigits(digits, exponent, 18, significant);
    result.digits = std::to_string(digits);
    result.exponent = exponent;
    return result;
}

std::string formatInteger(int64_t value)
{
    char buffer[24];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string formatScientific(long double value)
{
    if (!std::isfinite(value)) return nonFiniteText(value);
    return scientificText(roundedDecimalDigits(value, 15));
}

std::string formatRealDigits(long double value, int significant)
{
    if (!std::isfinite(value)) return nonFiniteText(value);
    const DecimalDigits d = roundedDecimalDigits(value, significant);
    std::string s = scientificText(d);
    // Only a leading zero of a three-digit exponent goes. Extended reals reach
    // four-digit exponents, where a "0" third from the end (E+4000, E-1050)
    // is a digit of the exponent and dropping it would change the value.
    if (std::abs(d.exponent) < 100) s.erase(s.size() - 3, 1);
    return s;
}

std::string formatGeneral3(long double value)
{
    if (!std::isfinite(value)) return nonFiniteText(value);
    const DecimalDigits d = roundedDecimalDigits(value, 3);
    if (d.digits[0] == '0') return "0";
    const std::string sign = d.negative ? "-" : "";
    if (d.exponent >= -4 && d.exponent <= 2) return sign + plainText(d);
    return sign + general3Scientific(d);
}

std::string format(std::string_view pattern, std::initializer_list<FormatArg> args)
{
    std::string out;
    auto it = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        const std::string_view rest = pattern.substr(i + 1);
        if (rest.starts_with('%')) {
            out += '%';
            i += 1;
        } else if (rest.starts_with('d')) {
            out += formatInteger(nextArgument<int64_t>(it, args, pattern));
            i += 1;
        } else if (rest.starts_with('s')) {
            out += nextArgument<std::string>(it, args, pattern);
            i += 1;
        } else if (rest.starts_with('e')) {
            out += formatScientific(nextArgument<long double>(it, args, pattern));
            i += 1;
        } else if (rest.starts_with("0.3g")) {
            out += formatGeneral3(nextArgument<long double>(it, args, pattern));
            i += 4;
        } else {
            formatMismatch(pattern);
        }
    }
    if (it != args.end()) formatMismatch(pattern);
    return out;
}

}  // namespace skeldra
