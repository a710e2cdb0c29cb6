// SPDX-License-Identifier: BSD-3-Clause
#include "ui/NumericEntry.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/Format.h"
#include "base/Rounding.h"

namespace skeldra {

namespace {

constexpr char quote = '"';

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1-based position of index i, the way the messages count.
int position(size_t i) { return static_cast<int>(i) + 1; }

size_t skipBlanks(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

IntegerParse integerError(int errorPosition) { return {std::nullopt, errorPosition}; }

// Hex digits from index i on, no sign, at most 32 bits as a two's-complement
// pattern. A prefix with nothing behind it fails one place beyond the end.
IntegerParse parseHexDigits(const std::string& text, size_t i)
{
    if (i == text.size()) return integerError(position(text.size()) + 1);
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0 || value > 0x0FFFFFFFu) return integerError(position(i));
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return {static_cast<int32_t>(value), 0};
}

// Decimal digits from index i on. The value may exceed 2147483647 by the last
// digit only (the limit test comes before each digit), so the sign decides
// at the end whether it still fits.
IntegerParse parseDecimalDigits(const std::string& text, size_t i, bool negative)
{
    if (i == text.size()) return integerError(position(text.size()));
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]) || value > 214748364) return integerError(position(i));
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return integerError(position(text.size()));
    return {static_cast<int32_t>(value), 0};
}

// Length of the hex prefix at index i, 0 when there is none.
size_t hexPrefixLength(const std::string& text, size_t i)
{
    if (i >= text.size()) return 0;
    const char c = text[i];
    if (c == '$' || c == 'x' || c == 'X') return 1;
    if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) return 2;
    return 0;
}

size_t skipDigits(const std::string& text, size_t i)
{
    while (i < text.size() && isDigit(text[i])) ++i;
    return i;
}

// The "C" locale, so that the conversion reads "." whatever the process
// locale says.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// The accepted forms "5.", ".5", "." and "e5" are not all read by strtold, so
// the number is rewritten with a digit on either side of the point.
long double convertReal(bool negative, const std::string& whole, const std::string& fraction,
                        const std::string& exponent)
{
    std::string normal = negative ? "-" : "";
    normal += whole.empty() ? "0" : whole;
    normal += '.';
    normal += fraction.empty() ? "0" : fraction;
    if (!exponent.empty()) normal += "e" + exponent;
    return strtold_l(normal.c_str(), nullptr, cLocale());
}

}  // namespace

std::string TrimBlanksAndTabs(std::string text)
{
    while (!text.empty() && isBlankOrTab(text.back())) text.pop_back();
    size_t leading = 0;
    while (text.size() - leading >= 2 && isBlankOrTab(text[leading])) ++leading;
    return text.substr(leading);
}

IntegerParse parseInteger(const std::string& text)
{
    const size_t start = skipBlanks(text);
    if (const size_t prefix = hexPrefixLength(text, start))
        return parseHexDigits(text, start + prefix);
    size_t i = start;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    return parseDecimalDigits(text, i, negative);
}

RealParse parseReal(const std::string& text)
{
    const auto errorAt = [&](size_t i) { return RealParse{std::nullopt, position(i)}; };
    size_t i = skipBlanks(text);
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return errorAt(text.size());

    const size_t wholeEnd = skipDigits(text, i);
    const std::string whole = text.substr(i, wholeEnd - i);
    i = wholeEnd;
    std::string fraction;
    if (i < text.size() && text[i] == '.') {
        const size_t fractionEnd = skipDigits(text, i + 1);
        fraction = text.substr(i + 1, fractionEnd - i - 1);
        i = fractionEnd;
    }
    std::string exponent;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t digits = i + 1;
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
        const size_t exponentEnd = skipDigits(text, digits);
        if (exponentEnd == digits) return errorAt(digits);
        exponent = text.substr(i + 1, exponentEnd - i - 1);
        i = exponentEnd;
    }
    if (i < text.size()) return errorAt(i);

    const long double value = convertReal(negative, whole, fraction, exponent);
    // A literal beyond the extended range cannot be held; an infinite box
    // value would only fail later, far from the entry that caused it.
    if (std::isinf(value)) return errorAt(text.size());
    return {value, 0};
}

NumericEntry::NumericEntry(MessageSink sink, TInputType type, std::string text)
    : sink_(std::move(sink)), inputType_(type), text_(std::move(text))
{
}

void NumericEntry::setText(const std::string& text)
{
    if (text == text_) return;
    text_ = text;
    entryValidated_ = false;
}

void NumericEntry::setInputMin(const std::string& text)
{
    const RealParse parsed = parseReal(text);
    minValid_ = parsed.value.has_value();
    if (!minValid_) {
        message("The MinString " + std::string(1, quote) + text + quote + " is not a valid number");
        return;
    }
    minValue_ = *parsed.value;
    inputMin_ = text;
}

void NumericEntry::setInputMax(const std::string& text)
{
    const RealParse parsed = parseReal(text);
    maxValid_ = parsed.value.has_value();
    if (!maxValid_) {
        message("The MaxString " + std::string(1, quote) + text + quote + " is not a valid number");
        return;
    }
    maxValue_ = *parsed.value;
    inputMax_ = text;
}

int32_t NumericEntry::IntegerValue()
{
    if (!entryValidated_) ValidateEntry();
    const bool wrongType = inputType_ != TInputType::tInteger;
    if (wrongType) message("Requesting integer value from non-integer control");
    if (!entryValid_) {
        message("Substituting \"" + formatInteger(integerResult_) + "\" for \"" + text_ +
                "\" (invalid entry)");
    }
    if (wrongType) message("Requesting integer value from non-integer control");
    return integerResult_;
}

long double NumericEntry::ExtendedValue()
{
    if (!entryValidated_) ValidateEntry();
    if (inputType_ != TInputType::tExtended)
        message("Requesting extended value from non-extended control");
    if (!entryValid_) {
        message("Substituting \"" + formatGeneral3(extendedResult_) + "\" for \"" + text_ +
                "\" (invalid entry)");
    }
    return extendedResult_;
}

namespace {

// A bound of an integer box as the box can hold it: rounded half to even,
// then held inside the 32-bit range. A bound beyond that range is no tighter
// than the range itself, so the clamped value is the bound in effect.
int32_t integerBound(long double bound)
{
    const long double rounded = roundHalfEven(bound);
    constexpr long double lowest = std::numeric_limits<int32_t>::min();
    constexpr long double highest = std::numeric_limits<int32_t>::max();
    if (rounded < lowest) return std::numeric_limits<int32_t>::min();
    if (rounded > highest) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

}  // namespace

NumericEntry::Validation NumericEntry::validate(const std::string& text) const
{
    Validation result;
    const bool checkRange = minValid_ && maxValid_;
    if (inputType_ == TInputType::tInteger) {
        const IntegerParse parsed = parseInteger(text);
        if (!parsed.value) {
            result.problem = quote + text + "\" is not a valid integer; error at position " +
                             formatInteger(parsed.errorPosition);
            result.valid = false;
            result.integer = 0;
        } else {
            result.integer = *parsed.value;
            const long double value = *result.integer;
            if (checkRange && (value < minValue_ || value > maxValue_)) {
                const int32_t lower = integerBound(minValue_);
                const int32_t upper = integerBound(maxValue_);
                result.problem = "Entry must be between " + formatInteger(lower) + " and " + formatInteger(upper);
                result.valid = false;
                result.integer = value > maxValue_ ? upper : lower;
            }
        }
    } else if (inputType_ == TInputType::tExtended) {
        std::string normal = text;
        for (char& c : normal)
            if (c == ',') c = '.';
        const RealParse parsed = parseReal(normal);
        if (!parsed.value) {
            result.problem = quote + text + "\" is not a valid Extended; error at position " +
                             formatInteger(parsed.errorPosition);
            result.valid = false;
            result.extended = 0;
        } else {
            result.extended = *parsed.value;
            if (checkRange && (*result.extended < minValue_ || *result.extended > maxValue_)) {
                result.problem =
                    "Entry must be between " + formatGeneral3(minValue_) + " and " + formatGeneral3(maxValue_);
                result.valid = false;
                result.extended = *result.extended > maxValue_ ? maxValue_ : minValue_;
            }
        }
    } else {
        result.problem = "Attempting to validate unknown type";
        result.valid = false;
    }
    return result;
}

void NumericEntry::ValidateEntry()
{
    setText(TrimBlanksAndTabs(text_));
    const Validation result = validate(text_);
    if (!result.problem.empty()) message(result.problem);
    entryValid_ = result.valid;
    if (result.integer) integerResult_ = *result.integer;
    if (result.extended) extendedResult_ = *result.extended;
    entryValidated_ = true;
}

bool NumericEntry::acceptsQuietly() const
{
    return TrimBlanksAndTabs(text_) == text_ && validate(text_).valid;
}

void NumericEntry::message(const std::string& text) const
{
    if (sink_) sink_(text);
}

}  // namespace skeldra
