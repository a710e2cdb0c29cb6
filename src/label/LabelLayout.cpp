// SPDX-License-Identifier: BSD-3-Clause
#include "label/LabelLayout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skeldra {

namespace {

std::optional<int64_t> combineSizes(const std::vector<LabelTerm>& terms, const char* sign, bool multiply,
                                    const std::string& unchanged, LabelLayout& layout)
{
    std::string written;
    for (const LabelTerm& term : terms) {
        if (term.value < 0) {
            layout.notes.push_back(term.name + " " + decimal(term.value) + " is negative; " + unchanged +
                                   " left unchanged");
            return std::nullopt;
        }
        written += (written.empty() ? "" : sign) + term.name + " " + decimal(term.value);
    }
    int64_t result = multiply ? 1 : 0;
    for (const LabelTerm& term : terms) {
        const bool overflow = multiply ? __builtin_mul_overflow(result, term.value, &result)
                                       : __builtin_add_overflow(result, term.value, &result);
        if (overflow) {
            layout.notes.push_back(written + " exceeds 64 bits; " + unchanged + " left unchanged");
            return std::nullopt;
        }
    }
    return result;
}

}  // namespace

std::optional<int64_t> productOfSizes(const std::vector<LabelTerm>& factors, const std::string& unchanged,
                                      LabelLayout& layout)
{
    return combineSizes(factors, " × ", true, unchanged, layout);
}

std::optional<int64_t> sumOfSizes(const std::vector<LabelTerm>& terms, const std::string& unchanged,
                                  LabelLayout& layout)
{
    return combineSizes(terms, " + ", false, unchanged, layout);
}

void setSample(LabelLayout& layout, int64_t bits, const std::string& bitsSource, const EncodingResult& type,
               const std::string& typeSource)
{
    if (bits != 8 && bits != 16 && bits != 32 && bits != 64) {
        layout.notes.push_back(bitsSource + ": the window reads only 8, 16, 32 or 64 bits per sample; "
                               "Bits per sample and data format left unchanged");
        return;
    }
    layout.bitsPerSample = Sourced<int64_t>{bits, bitsSource};
    if (!type.encoding) {
        const std::string note = typeSource + ": " + type.problem + "; data format and byte order left unchanged";
        // The window reads a single byte one way only, so nothing is missing then.
        if (bits == 8) layout.remark(note);
        else layout.notes.push_back(note);
        return;
    }
    const SampleEncoding& encoding = *type.encoding;
    layout.dataFormat = Sourced<DataFormat>{encoding.format, typeSource};
    if (bits == 8) {
        // A single byte has no order, whatever the type's name says.
        layout.reverseBytes = Sourced<bool>{false, typeSource + ": one byte per sample"};
        return;
    }
    layout.reverseBytes = Sourced<bool>{
        encoding.msbFirst,
        typeSource + (encoding.msbFirst ? ": most significant byte first" : ": least significant byte first")};
}

std::optional<std::string> valueOfBitPattern(uint64_t pattern, int64_t bits, DataFormat format)
{
    char text[64];
    if (format == DataFormat::Real && bits == 32) {
        const auto narrow = static_cast<uint32_t>(pattern);
        float value;
        std::memcpy(&value, &narrow, sizeof value);
        if (!std::isfinite(value)) return std::nullopt;
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
        return text;
    }
    if (format == DataFormat::Real && bits == 64) {
        double value;
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) return std::nullopt;
        std::snprintf(text, sizeof text, "%.17g", value);
        return text;
    }
    if (bits > 0 && bits < 64) {
        const uint64_t mask = (uint64_t{1} << bits) - 1;
        pattern &= mask;
        if (format == DataFormat::SignedInteger && (pattern >> (bits - 1)) != 0)
            return decimal(static_cast<int64_t>(pattern) - static_cast<int64_t>(mask) - 1);
    }
    return std::to_string(pattern);
}

void setLinePrefixSuffix(LabelLayout& layout, const LabelTerm& prefix, const LabelTerm& suffix,
                         const std::string& source)
{
    if (prefix.value == 0 && suffix.value == 0) return;
    const std::string unchanged = "Header bytes and Line pad";
    const std::optional<int64_t> pad = sumOfSizes({prefix, suffix}, unchanged, layout);
    if (!pad) return;
    if (prefix.value != 0) {
        if (!layout.headerBytes) {
            layout.notes.push_back("The line prefix (" + source +
                                   ") needs the header bytes, which the label does not give; " + unchanged +
                                   " left unchanged");
            return;
        }
        const auto header = sumOfSizes({{"Header bytes", layout.headerBytes->value}, prefix}, unchanged, layout);
        if (!header) return;
        layout.headerBytes->value = *header;
        layout.headerBytes->source += " + line prefix " + decimal(prefix.value);
    }
    layout.linePad = Sourced<int64_t>{*pad, source};
    layout.linePrefix = prefix.value;
}

void setBandStructure(LabelLayout& layout, BandStructure structure, const std::string& source)
{
    const int64_t bands = layout.bands ? layout.bands->value : 1;
    if (bands > 1) {
        layout.bandStructure = Sourced<BandStructure>{structure, source};
        return;
    }
    const bool padded = (layout.linePad && layout.linePad->value != 0) ||
                        (layout.bandPad && layout.bandPad->value != 0);
    if (padded) {
        if (!layout.bands) layout.bands = Sourced<int64_t>{1, "a single band"};
        layout.bandStructure =
            Sourced<BandStructure>{BandStructure::BSQ, "a single band with line pad; \"None\" has no line pad"};
    } else {
        layout.bandStructure = Sourced<BandStructure>{BandStructure::None, "a single band"};
    }
}

bool isPlainNumber(const std::string& text)
{
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t count = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size() && std::isfinite(std::strtold(text.c_str(), nullptr));
}

std::string decimal(int64_t value) { return std::to_string(value); }

const char* dataFormatCaption(DataFormat format)
{
    switch (format) {
    case DataFormat::UnsignedInteger: return "Unsigned Integer";
    case DataFormat::SignedInteger: return "Signed Integer";
    case DataFormat::Real: return "Real";
    }
    return "";
}

const char* bandStructureCaption(BandStructure structure)
{
    switch (structure) {
    case BandStructure::None: return "None";
    case BandStructure::BIL: return "BIL";
    case BandStructure::BIP: return "BIP";
    case BandStructure::BSQ: return "BSQ";
    }
    return "";
}

}  // namespace skeldra
