// SPDX-License-Identifier: BSD-3-Clause
#include "label/Vicar.h"

#include <cctype>
#include <charconv>

namespace skeldra {

const VicarItem* VicarLabel::find(std::string_view key) const
{
    for (const VicarItem& item : items)
        if (item.key == key) return &item;
    return nullptr;
}

namespace {

class VicarParser {
public:
    explicit VicarParser(std::string_view text) : text_(text) {}

    VicarLabel parse()
    {
        VicarLabel label;
        while (skipBlanks()) {
            VicarItem item;
            item.key = readKey();
            skipSpaces();
            if (peek() != '=') fail("\"=\" expected after " + item.key);
            ++pos_;
            skipSpaces();
            readValue(item);
            if (label.items.empty()) label.lblsize = firstItemSize(item);
            // The label ends after LBLSIZE bytes; what follows is binary.
            if (label.lblsize > 0 && static_cast<int64_t>(text_.size()) > label.lblsize)
                text_ = text_.substr(0, static_cast<std::size_t>(label.lblsize));
            label.items.push_back(std::move(item));
        }
        if (label.items.empty()) fail("the label is empty");
        return label;
    }

private:
    int64_t firstItemSize(const VicarItem& item) const
    {
        int64_t size = 0;
        const auto [end, error] = std::from_chars(item.value.data(), item.value.data() + item.value.size(), size);
        if (item.key != "LBLSIZE" || error != std::errc() || end != item.value.data() + item.value.size() ||
            size <= 0)
            fail("the label does not start with LBLSIZE=size");
        return size;
    }

    std::string readKey()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
            ++pos_;
        if (pos_ == start) fail(std::string("a keyword was expected, not \"") + peek() + "\"");
        return upperTrimmed(text_.substr(start, pos_ - start));
    }

    void readValue(VicarItem& item)
    {
        if (peek() == '(') {
            const std::size_t close = findListEnd();
            item.list = true;
            item.value = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
        } else if (peek() == '\'') {
            item.quoted = true;
            item.value = readQuoted();
        } else {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != '\0') ++pos_;
            if (pos_ == start) fail("a value is missing after " + item.key + "=");
            item.value = std::string(text_.substr(start, pos_ - start));
        }
    }

    // 'text' with '' standing for one quote.
    std::string readQuoted()
    {
        std::string value;
        for (++pos_;; ++pos_) {
            if (pos_ >= text_.size()) fail("unterminated quote");
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    value += '\'';
                    ++pos_;
                    continue;
                }
                ++pos_;
                return value;
            }
            value += text_[pos_];
        }
    }

    std::size_t findListEnd() const
    {
        bool quoted = false;
        for (std::size_t p = pos_ + 1; p < text_.size(); ++p) {
            if (text_[p] == '\'') quoted = !quoted;
            else if (text_[p] == ')' && !quoted) return p;
        }
        fail("unterminated list");
    }

    // False at the end of the label (its size, a NUL byte or the text's end).
    bool skipBlanks()
    {
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        return pos_ < text_.size() && text_[pos_] != '\0';
    }
    void skipSpaces()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw LabelSyntaxError("byte " + std::to_string(pos_ + 1) + " of the VICAR label: " + what);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<int64_t> integerItem(const VicarLabel& label, std::string_view key, LabelLayout& layout)
{
    const VicarItem* item = label.find(key);
    if (!item) return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(item->value.data(), item->value.data() + item->value.size(), value);
    if (item->quoted || error != std::errc() || end != item->value.data() + item->value.size()) {
        layout.notes.push_back(std::string(key) + "=" + item->value + " is not a whole number; ignored");
        return std::nullopt;
    }
    return value;
}

std::string wordItem(const VicarLabel& label, std::string_view key, std::string_view absent)
{
    const VicarItem* item = label.find(key);
    return item ? upperTrimmed(item->value) : std::string(absent);
}

// FORMAT with INTFMT or REALFMT; old labels without them come from VAX hosts.
void setVicarSample(LabelLayout& layout, const VicarLabel& label)
{
    const std::string format = wordItem(label, "FORMAT", "BYTE");
    const std::string intFormat = wordItem(label, "INTFMT", "LOW");
    const std::string realFormat = wordItem(label, "REALFMT", "VAX");
    const std::string formatSource = label.find("FORMAT") ? "FORMAT " + format : "FORMAT absent: BYTE";
    const std::string intSource = formatSource + ", INTFMT " + intFormat;
    const std::string realSource = formatSource + ", REALFMT " + realFormat;

    auto integer = [&](int64_t bits, DataFormat kind) {
        EncodingResult type;
        if (intFormat == "HIGH" || intFormat == "LOW") type.encoding = SampleEncoding{kind, intFormat == "HIGH"};
        else type.problem = "not an integer byte order the window knows";
        setSample(layout, bits, formatSource, type, intSource);
    };
    auto real = [&](int64_t bits) {
        EncodingResult type;
        if (realFormat == "IEEE" || realFormat == "RIEEE")
            type.encoding = SampleEncoding{DataFormat::Real, realFormat == "IEEE"};
        else if (realFormat == "VAX") type.problem = "VAX reals cannot be read by the window";
        else type.problem = "not a real format the window knows";
        setSample(layout, bits, formatSource, type, realSource);
    };
    if (format == "BYTE") integer(8, DataFormat::UnsignedInteger);
    else if (format == "HALF" || format == "WORD") integer(16, DataFormat::SignedInteger);
    else if (format == "FULL" || format == "LONG") integer(32, DataFormat::SignedInteger);
    else if (format == "REAL") real(32);
    else if (format == "DOUB") real(64);
    else layout.notes.push_back(formatSource + ": not a sample format the window can read; "
                                               "Bits per sample and data format left unchanged");
}

// NBB binary prefix bytes start every record: a line of one band for BSQ
// and BIL, one pixel for BIP.
void setBinaryPrefix(LabelLayout& layout, int64_t prefix, BandStructure structure)
{
    const std::string source = "NBB " + decimal(prefix);
    if (prefix == 0) return;
    if (structure == BandStructure::BSQ || structure == BandStructure::None) {
        setLinePrefixSuffix(layout, {"NBB", prefix}, {"line suffix", 0}, source);
    } else if (structure == BandStructure::BIL && layout.headerBytes) {
        const auto header = sumOfSizes({{"Header bytes", layout.headerBytes->value}, {"NBB", prefix}},
                                       "Header bytes and Band pad", layout);
        if (!header) return;
        layout.headerBytes->value = *header;
        layout.headerBytes->source += " + " + source;
        layout.bandPad = Sourced<int64_t>{prefix, source};
    } else {
        layout.notes.push_back(source + ": binary prefixes of every pixel cannot be described; "
                                        "Line pad and Band pad left unchanged");
    }
}

}  // namespace

VicarLabel parseVicar(std::string_view text) { return VicarParser(text).parse(); }

LabelLayout vicarLayout(const VicarLabel& label, int64_t labelOffset, const std::string& labelPath)
{
    LabelLayout layout;
    layout.labelKind = "VICAR";
    layout.labelPath = labelPath;

    const int64_t binaryLines = integerItem(label, "NLB", layout).value_or(0);
    const auto recordSize = integerItem(label, "RECSIZE", layout);
    std::string source = (labelOffset ? "VICAR label at byte " + decimal(labelOffset) + " + " : std::string()) +
                         "LBLSIZE " + decimal(label.lblsize);
    if (binaryLines != 0 && !recordSize) {
        layout.notes.push_back("NLB " + decimal(binaryLines) + " needs RECSIZE, which the label does not give; "
                                                               "Header bytes left unchanged");
    } else {
        if (binaryLines != 0) source += " + NLB " + decimal(binaryLines) + " × RECSIZE " + decimal(*recordSize);
        const auto binaryBytes =
            productOfSizes({{"NLB", binaryLines}, {"RECSIZE", recordSize.value_or(0)}}, "Header bytes", layout);
        const auto header = binaryBytes ? sumOfSizes({{"VICAR label offset", labelOffset},
                                                      {"LBLSIZE", label.lblsize},
                                                      {"NLB × RECSIZE", *binaryBytes}},
                                                     "Header bytes", layout)
                                        : std::nullopt;
        if (header) layout.headerBytes = Sourced<int64_t>{*header, source};
    }

    if (const auto lines = integerItem(label, "NL", layout))
        layout.lines = Sourced<int64_t>{*lines, "NL " + decimal(*lines)};
    if (const auto samples = integerItem(label, "NS", layout))
        layout.samplesPerLine = Sourced<int64_t>{*samples, "NS " + decimal(*samples)};
    const auto bands = integerItem(label, "NB", layout);
    if (bands) layout.bands = Sourced<int64_t>{*bands, "NB " + decimal(*bands)};
    setVicarSample(layout, label);

    const std::string organisation = wordItem(label, "ORG", "BSQ");
    BandStructure structure = BandStructure::BSQ;
    if (organisation == "BIL") structure = BandStructure::BIL;
    else if (organisation == "BIP") structure = BandStructure::BIP;
    else if (organisation != "BSQ") {
        layout.notes.push_back("ORG " + organisation + " is not a band organisation the window knows; "
                                                       "Band structure left unchanged");
        return layout;
    }
    // With one band every organisation is one image after the other.
    if (bands.value_or(1) <= 1) structure = BandStructure::BSQ;
    setBinaryPrefix(layout, integerItem(label, "NBB", layout).value_or(0), structure);
    setBandStructure(layout, structure, "ORG " + organisation);
    return layout;
}

}  // namespace skeldra
