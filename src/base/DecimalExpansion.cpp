// SPDX-License-Identifier: BSD-3-Clause
#include "base/DecimalExpansion.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace skeldra {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the digit extraction assumes the x87 extended format");

namespace {

constexpr int leadingCount = 19;

__extension__ typedef unsigned __int128 UInt128;

// A finite nonzero magnitude as odd significand x 2^exponent.
struct BinaryValue {
    uint64_t significand;
    int exponent;
};

// Read from the encoding: frexp and ldexp on extended values are library
// calls that cost more than the whole short path.
BinaryValue binaryValue(long double magnitude)
{
    uint64_t m = 0;
    uint16_t biasedExponent = 0;
    std::memcpy(&m, &magnitude, sizeof m);
    std::memcpy(&biasedExponent, reinterpret_cast<const unsigned char*>(&magnitude) + 8,
                sizeof biasedExponent);
    biasedExponent &= 0x7fff;
    const int e = (biasedExponent == 0 ? 1 : biasedExponent) - 16383 - 63;
    const int zeros = std::countr_zero(m);
    return {m >> zeros, e + zeros};
}

// Decimal digits of an integer, then the power of ten it is scaled by:
// value = text x 10^scale.
LeadingDigits fromDecimalText(const std::string& text, int scale, bool negative)
{
    LeadingDigits result;
    result.negative = negative;
    result.exponent = scale + static_cast<int>(text.size()) - 1;
    for (int i = 0; i < leadingCount; ++i) {
        const int digit = i < static_cast<int>(text.size()) ? text[i] - '0' : 0;
        result.digits = result.digits * 10 + static_cast<uint64_t>(digit);
    }
    return result;
}

// Unsigned integer in base 10^9 limbs, least significant first; only the
// operations the expansion needs.
class BigDecimal {
public:
    explicit BigDecimal(uint64_t value)
    {
        do {
            limbs_.push_back(static_cast<uint32_t>(value % base));
            value /= base;
        } while (value != 0);
    }

    void multiplyByPowerOf2(int count) { multiplyByPower(2, 31, count); }
    void multiplyByPowerOf5(int count) { multiplyByPower(5, 13, count); }

    std::string text() const
    {
        std::string s = std::to_string(limbs_.back());
        for (auto it = limbs_.rbegin() + 1; it != limbs_.rend(); ++it) {
            const std::string limb = std::to_string(*it);
            s.append(9 - limb.size(), '0');
            s += limb;
        }
        return s;
    }

private:
    static constexpr uint64_t base = 1000000000;

    // factor^step must stay below 2^32 so that limb x factor + carry fits 64 bits.
    void multiplyByPower(uint32_t factor, int step, int count)
    {
        while (count > 0) {
            const int now = count < step ? count : step;
            uint32_t multiplier = 1;
            for (int i = 0; i < now; ++i) multiplier *= factor;
            multiplySmall(multiplier);
            count -= now;
        }
    }

    void multiplySmall(uint32_t multiplier)
    {
        uint64_t carry = 0;
        for (uint32_t& limb : limbs_) {
            const uint64_t product = uint64_t{limb} * multiplier + carry;
            limb = static_cast<uint32_t>(product % base);
            carry = product / base;
        }
        while (carry != 0) {
            limbs_.push_back(static_cast<uint32_t>(carry % base));
            carry /= base;
        }
    }

    std::vector<uint32_t> limbs_;
};

// The first 19 digits of n x 10^scale, n > 0.
LeadingDigits fromInteger(UInt128 n, int scale, bool negative)
{
    int length = 1;
    for (UInt128 p = 10; p <= n && length < 39; p *= 10) ++length;
    UInt128 lead = n;
    for (int i = length; i < leadingCount; ++i) lead *= 10;
    if (length > leadingCount) {
        UInt128 divisor = 1;
        for (int i = leadingCount; i < length; ++i) divisor *= 10;
        lead = n / divisor;
    }
    return LeadingDigits{negative, static_cast<uint64_t>(lead), scale + length - 1};
}

// The exact expansion when significand x 2^e (e >= 0) or significand x 5^-e
// (e < 0) surely fits 128 bits: values with a short expansion, which are
// common (integers, halves, most floats) and are the ones whose spare rounded
// digits would look like a carry.
bool shortExpansion(BinaryValue b, bool negative, LeadingDigits& out)
{
    constexpr int maxPowerOf5 = 27;  // 5^27 < 2^63, so significand x 5^27 < 2^127
    UInt128 n = b.significand;
    if (b.exponent >= 0) {
        if (std::bit_width(b.significand) + b.exponent > 127) return false;
        out = fromInteger(n << b.exponent, 0, negative);
        return true;
    }
    if (-b.exponent > maxPowerOf5) return false;
    for (int i = 0; i < -b.exponent; ++i) n *= 5;
    out = fromInteger(n, b.exponent, negative);
    return true;
}

// Rounded digits with eight spare ones: unless the spare ones are all zero,
// no carry of the rounding reached digit 19, so the first 19 are the
// truncated exact ones.
template <typename Real>
bool fromRoundedDigits(Real magnitude, bool negative, LeadingDigits& out)
{
    constexpr int spare = 8;
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                 std::chars_format::scientific, leadingCount + spare - 1);
    if (r.ec != std::errc()) return false;
    // Form: d.ddd...de[+-]xx
    const char* digitsEnd = buffer + 1 + leadingCount + spare;
    bool spareAllZero = true;
    for (const char* p = buffer + 1 + leadingCount; p != digitsEnd; ++p)
        spareAllZero = spareAllZero && *p == '0';
    if (spareAllZero) return false;

    out = LeadingDigits{negative, static_cast<uint64_t>(buffer[0] - '0'), 0};
    for (const char* p = buffer + 2; p != buffer + 1 + leadingCount; ++p)
        out.digits = out.digits * 10 + static_cast<uint64_t>(*p - '0');
    const char* e = digitsEnd + 1;
    if (*e == '+') ++e;
    std::from_chars(e, r.ptr, out.exponent);
    return true;
}

}  // namespace

LeadingDigits leadingDigitsExact(long double value)
{
    if (!std::isfinite(value)) throw std::logic_error("leadingDigitsExact: value not finite");
    const bool negative = std::signbit(value);
    if (value == 0) return LeadingDigits{negative, 0, 0};
    const BinaryValue b = binaryValue(std::fabs(value));
    BigDecimal n(b.significand);
    if (b.exponent >= 0) {
        n.multiplyByPowerOf2(b.exponent);
        return fromDecimalText(n.text(), 0, negative);
    }
    n.multiplyByPowerOf5(-b.exponent);
    return fromDecimalText(n.text(), b.exponent, negative);
}

LeadingDigits leadingDigits(long double value)
{
    if (!std::isfinite(value)) throw std::logic_error("leadingDigits: value not finite");
    const bool negative = std::signbit(value);
    if (value == 0) return LeadingDigits{negative, 0, 0};
    const long double magnitude = std::fabs(value);
    LeadingDigits result;
    if (shortExpansion(binaryValue(magnitude), negative, result)) return result;
    // Doubles (and floats) get their digits much cheaper than extended values.
    const double asDouble = static_cast<double>(magnitude);
    if (static_cast<long double>(asDouble) == magnitude) {
        if (fromRoundedDigits(asDouble, negative, result)) return result;
    } else if (fromRoundedDigits(magnitude, negative, result)) {
        return result;
    }
    return leadingDigitsExact(value);
}

}  // namespace skeldra
