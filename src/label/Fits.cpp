// SPDX-License-Identifier: BSD-3-Clause
#include "label/Fits.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

namespace skeldra {

const FitsCard* FitsHeader::find(const std::string& keyword) const
{
    const auto found = first_.find(keyword);
    return found == first_.end() ? nullptr : &cards[found->second];
}

void FitsHeader::add(FitsCard card)
{
    first_.emplace(card.keyword, cards.size());
    cards.push_back(std::move(card));
}

bool looksLikeFits(std::string_view text) { return text.substr(0, 9) == "SIMPLE  ="; }

namespace {

// A quoted string runs to the next single quote; two quotes stand for one.
// Trailing blanks of a string are not significant.
std::string quotedValue(std::string_view text, std::size_t cardNumber)
{
    std::string value;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '\'') {
            value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\'') {
            value += '\'';
            ++i;
        } else {
            while (!value.empty() && value.back() == ' ') value.pop_back();
            return value;
        }
    }
    throw LabelSyntaxError("card " + std::to_string(cardNumber) + ": unterminated string");
}

FitsCard readCard(std::string_view card, std::size_t cardNumber)
{
    FitsCard result;
    result.keyword = trimmed(card.substr(0, 8));
    std::string_view value = card.substr(10);
    while (!value.empty() && value[0] == ' ') value.remove_prefix(1);
    if (!value.empty() && value[0] == '\'') {
        result.value = quotedValue(value, cardNumber);
        result.quoted = true;
    } else {
        result.value = trimmed(value.substr(0, value.find('/')));
    }
    return result;
}

// Integers and reals as FITS writes them ("-9999.", "1.5D3").
std::optional<long double> number(const FitsCard& card)
{
    if (card.quoted || card.value.empty()) return std::nullopt;
    std::string text = card.value;
    for (char& c : text)
        if (c == 'D' || c == 'd') c = 'E';
    if (!isPlainNumber(text)) return std::nullopt;
    return std::strtold(text.c_str(), nullptr);
}

}  // namespace

std::optional<int64_t> fitsWholeNumber(const FitsCard& card)
{
    int64_t value = 0;
    const std::string& text = card.value;
    const char* first = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (!card.quoted && !text.empty() && error == std::errc() && end == text.data() + text.size()) return value;
    const auto real = number(card);
    constexpr long double limit = 9.2e18L;  // within int64_t, whatever the rounding
    if (real && std::nearbyint(*real) == *real && std::fabs(*real) < limit) return static_cast<int64_t>(*real);
    return std::nullopt;
}

namespace {

std::optional<int64_t> wholeNumber(const FitsCard& card) { return fitsWholeNumber(card); }

class FitsReading {
public:
    FitsReading(const FitsHeader& header, LabelLayout& layout) : header_(header), layout_(layout) {}

    // The image's axes, sample type, scaling and BLANK; false when its axes
    // cannot be read, which sets nothing.
    bool read(const Sourced<int64_t>& dataStart)
    {
        if (!readAxes()) return false;
        layout_.headerBytes = dataStart;
        readSampleType();
        setBandStructure(layout_, BandStructure::BSQ,
                         layout_.bands ? "NAXIS3 " + decimal(layout_.bands->value) + ": planes one after another"
                                       : std::string("a single plane"));
        noteScaling();
        readBlank();
        return true;
    }

    bool conforming()
    {
        const FitsCard* simple = header_.find("SIMPLE");
        if (simple && simple->value == "T") return true;
        layout_.notes.push_back("SIMPLE = " + (simple ? simple->value : std::string()) +
                                ": the file does not claim to follow the FITS standard; nothing set");
        return false;
    }

private:
    // A keyword that must hold a whole number; another value is noted.
    std::optional<int64_t> integer(const std::string& keyword)
    {
        const FitsCard* card = header_.find(keyword);
        if (!card) return std::nullopt;
        const auto value = wholeNumber(*card);
        if (!value) layout_.notes.push_back(keyword + " = " + card->value + " is not a whole number; ignored");
        return value;
    }

    bool refuse(const std::string& why)
    {
        layout_.notes.push_back(why + "; nothing set");
        return false;
    }

    // All axes or nothing: a refused image sets no box.
    bool readAxes()
    {
        const auto axes = integer("NAXIS");
        if (!axes) return refuse("The header gives no NAXIS");
        if (*axes == 0) return refuse("NAXIS 0: the primary header has no image, and no IMAGE extension was found");
        if (*axes < 0 || *axes > 999) return refuse("NAXIS " + decimal(*axes) + " is not a number of axes");
        std::vector<Sourced<int64_t>> sizes;
        for (int64_t axis = 1; axis <= *axes; ++axis) {
            const std::string keyword = "NAXIS" + decimal(axis);
            const auto size = integer(keyword);
            if (!size) return refuse("The header gives no whole " + keyword);
            if (*size <= 0) return refuse(keyword + " " + decimal(*size) + ": the image is empty");
            if (axis > 3 && *size != 1)
                return refuse(keyword + " " + decimal(*size) + ": the window reads images of at most three axes");
            sizes.push_back(Sourced<int64_t>{*size, keyword + " " + decimal(*size)});
        }
        layout_.samplesPerLine = sizes[0];
        layout_.lines = sizes.size() > 1 ? sizes[1] : Sourced<int64_t>{1, "NAXIS 1: one line"};
        if (sizes.size() > 2) layout_.bands = sizes[2];
        return true;
    }

    void readSampleType()
    {
        const auto bitpix = integer("BITPIX");
        if (!bitpix) {
            layout_.notes.push_back("The header gives no BITPIX; Bits per sample and data format left unchanged");
            return;
        }
        const std::string source = "BITPIX " + decimal(*bitpix);
        EncodingResult type;
        switch (*bitpix) {
        case 8: type.encoding = SampleEncoding{DataFormat::UnsignedInteger, true}; break;
        case 16:
        case 32: type.encoding = SampleEncoding{DataFormat::SignedInteger, true}; break;
        case 64: type.problem = "the window reads 64-bit samples only as reals"; break;
        case -32:
        case -64: type.encoding = SampleEncoding{DataFormat::Real, true}; break;
        default:
            layout_.notes.push_back(source + " is not a FITS sample type; Bits per sample and data format left unchanged");
            return;
        }
        setSample(layout_, *bitpix < 0 ? -*bitpix : *bitpix, source, type, source);
    }

    // The window shows stored values; physical values are BZERO + BSCALE × stored.
    void noteScaling()
    {
        const FitsCard* zero = header_.find("BZERO");
        const FitsCard* scale = header_.find("BSCALE");
        const auto zeroValue = zero ? number(*zero) : std::optional<long double>(0);
        const auto scaleValue = scale ? number(*scale) : std::optional<long double>(1);
        if (zeroValue == 0.0L && scaleValue == 1.0L) return;
        std::string given;
        if (zero) given = "BZERO " + zero->value;
        if (scale) given += (given.empty() ? "" : ", ") + ("BSCALE " + scale->value);
        std::string note = given + ": the values are BZERO + BSCALE × the stored value; the window shows the stored values";
        const auto bitpix = header_.find("BITPIX");
        if (bitpix && bitpix->value == "16" && zeroValue == 32768.0L && scaleValue == 1.0L)
            note += " (unsigned 16-bit data stored as signed)";
        layout_.remark(note);
    }

    void readBlank()
    {
        const FitsCard* blank = header_.find("BLANK");
        if (!blank) return;
        const std::string source = "BLANK " + blank->value;
        if (!layout_.dataFormat || layout_.dataFormat->value == DataFormat::Real) {
            layout_.remark(source + " applies only to integer samples (undefined reals are NaN); "
                           "the non-data value left unchanged");
            return;
        }
        const auto value = wholeNumber(*blank);
        if (!value) {
            layout_.remark(source + " is not a whole number; the non-data value left unchanged");
            return;
        }
        layout_.nonDataValue = Sourced<std::string>{decimal(*value), source + ": the stored value of undefined samples"};
    }

    const FitsHeader& header_;
    LabelLayout& layout_;
};

}  // namespace

namespace {

// The cards up to END of a header whose first card is `keyword` =.
FitsHeader parseHeader(std::string_view text, const std::string& keyword)
{
    std::string first = keyword;
    first.resize(8, ' ');
    if (text.substr(0, 9) != first + "=") throw LabelSyntaxError("card 1: a FITS header starts with " + keyword + " =");
    FitsHeader header;
    for (std::size_t at = 0;; at += fitsCardBytes) {
        const std::size_t cardNumber = at / fitsCardBytes + 1;
        if (at + fitsCardBytes > text.size())
            throw LabelSyntaxError("card " + std::to_string(cardNumber) + ": the header ends before its END card");
        const std::string_view card = text.substr(at, fitsCardBytes);
        if (isFitsEndCard(card)) {
            header.headerBytes = static_cast<int64_t>((at / fitsBlockBytes + 1) * fitsBlockBytes);
            return header;
        }
        if (card.substr(8, 2) == "= ") header.add(readCard(card, cardNumber));
    }
}

}  // namespace

bool isFitsEndCard(std::string_view card) { return trimmed(card.substr(0, 8)) == "END"; }

FitsHeader parseFits(std::string_view text) { return parseHeader(text, "SIMPLE"); }

FitsHeader parseFitsExtension(std::string_view text) { return parseHeader(text, "XTENSION"); }

bool fitsConforming(const FitsHeader& primary, LabelLayout& layout) { return FitsReading(primary, layout).conforming(); }

bool readFitsImage(const FitsHeader& header, const Sourced<int64_t>& dataStart, LabelLayout& layout)
{
    return FitsReading(header, layout).read(dataStart);
}

}  // namespace skeldra
