// SPDX-License-Identifier: BSD-3-Clause
#include "label/Envi.h"

#include <cctype>
#include <charconv>

namespace skeldra {

// The last of repeated keys counts, as in GDAL, so that both read a header
// alike; a header written to smuggle in a second value is noted.
const std::string* EnviHeader::find(std::string_view key) const
{
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        if (entry->first == key) return &entry->second;
    return nullptr;
}

int EnviHeader::count(std::string_view key) const
{
    int n = 0;
    for (const auto& entry : entries) n += entry.first == key ? 1 : 0;
    return n;
}

namespace {

// Lower case, blanks and tabs between words squeezed to one blank.
std::string normalisedKey(std::string_view raw)
{
    std::string key;
    for (const char c : trimmed(raw)) {
        if (c == ' ' || c == '\t') {
            if (!key.empty() && key.back() != ' ') key += ' ';
        } else {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

std::size_t lineEnd(std::string_view text, std::size_t from)
{
    const std::size_t eol = text.find('\n', from);
    return eol == std::string_view::npos ? text.size() : eol;
}

}  // namespace

EnviHeader parseEnvi(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t pos = lineEnd(text, 0);
    if (upperTrimmed(text.substr(0, pos)) != "ENVI") throw LabelSyntaxError("line 1: an ENVI header starts with ENVI");
    EnviHeader header;
    int line = 1;
    while (pos < text.size()) {
        ++pos;
        ++line;
        const std::size_t end = lineEnd(text, pos);
        const std::string_view content = text.substr(pos, end - pos);
        const std::string blankless = trimmed(content);
        if (blankless.empty() || blankless[0] == ';') {  // ";" starts a comment line
            pos = end;
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos)
            throw LabelSyntaxError("line " + std::to_string(line) + ": \"=\" expected");
        const std::string key = normalisedKey(content.substr(0, equals));
        std::string value = trimmed(content.substr(equals + 1));
        pos = end;
        if (!value.empty() && value[0] == '{') {
            // The braces run over lines; only each new line is searched for the
            // closing brace, so that an unclosed one costs one pass.
            bool closed = value.find('}') != std::string::npos;
            while (!closed) {
                if (pos >= text.size())
                    throw LabelSyntaxError("line " + std::to_string(line) + ": \"}\" missing for " + key);
                const std::size_t next = lineEnd(text, pos + 1);
                const std::string continued = trimmed(text.substr(pos + 1, next - pos - 1));
                closed = continued.find('}') != std::string::npos;
                value += ' ' + continued;
                pos = next;
                ++line;
            }
        }
        header.entries.emplace_back(key, value);
    }
    return header;
}

namespace {

std::optional<int64_t> integerEntry(const EnviHeader& header, std::string_view key, LabelLayout& layout)
{
    const std::string* text = header.find(key);
    if (!text) return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size()) {
        layout.notes.push_back(std::string(key) + " = " + *text + " is not a whole number; ignored");
        return std::nullopt;
    }
    return value;
}

void setEnviSample(LabelLayout& layout, const EnviHeader& header)
{
    const auto type = integerEntry(header, "data type", layout);
    if (!type) return;
    const auto order = integerEntry(header, "byte order", layout);
    const bool msbFirst = order.value_or(0) == 1;
    const std::string typeSource = "data type " + decimal(*type);
    const std::string orderSource =
        typeSource + (order ? ", byte order " + decimal(*order) : ", byte order absent: 0");
    int64_t bits = 0;
    EncodingResult encoding;
    switch (*type) {
    case 1: bits = 8; encoding.encoding = SampleEncoding{DataFormat::UnsignedInteger, msbFirst}; break;
    case 2: bits = 16; encoding.encoding = SampleEncoding{DataFormat::SignedInteger, msbFirst}; break;
    case 3: bits = 32; encoding.encoding = SampleEncoding{DataFormat::SignedInteger, msbFirst}; break;
    case 4: bits = 32; encoding.encoding = SampleEncoding{DataFormat::Real, msbFirst}; break;
    case 5: bits = 64; encoding.encoding = SampleEncoding{DataFormat::Real, msbFirst}; break;
    case 12: bits = 16; encoding.encoding = SampleEncoding{DataFormat::UnsignedInteger, msbFirst}; break;
    case 13: bits = 32; encoding.encoding = SampleEncoding{DataFormat::UnsignedInteger, msbFirst}; break;
    case 14:
    case 15: bits = 64; encoding.problem = "the window reads 64-bit samples only as reals"; break;
    default:
        layout.notes.push_back(typeSource + ": not a data type the window can read (complex or unknown); "
                                            "Bits per sample and data format left unchanged");
        return;
    }
    if (order && *order != 0 && *order != 1) {
        encoding.encoding.reset();
        encoding.problem = "byte order must be 0 or 1";
    }
    setSample(layout, bits, typeSource, encoding, orderSource);
}

}  // namespace

LabelLayout enviLayout(const EnviHeader& header, const std::string& labelPath)
{
    LabelLayout layout;
    layout.labelKind = "ENVI";
    layout.labelPath = labelPath;
    for (const char* key : {"header offset", "samples", "lines", "bands", "data type", "byte order", "interleave",
                            "data ignore value", "file compression"})
        if (const int n = header.count(key); n > 1)
            layout.remark(std::string(key) + " is given " + std::to_string(n) + " times; the last one, " +
                          *header.find(key) + ", is taken");
    const auto offset = integerEntry(header, "header offset", layout);
    layout.headerBytes = Sourced<int64_t>{offset.value_or(0), offset ? "header offset " + decimal(*offset)
                                                                     : std::string("header offset absent: 0")};
    if (const auto samples = integerEntry(header, "samples", layout))
        layout.samplesPerLine = Sourced<int64_t>{*samples, "samples " + decimal(*samples)};
    if (const auto lines = integerEntry(header, "lines", layout))
        layout.lines = Sourced<int64_t>{*lines, "lines " + decimal(*lines)};
    if (const auto bands = integerEntry(header, "bands", layout))
        layout.bands = Sourced<int64_t>{*bands, "bands " + decimal(*bands)};
    setEnviSample(layout, header);

    if (const std::string* compressed = header.find("file compression"); compressed && trimmed(*compressed) != "0")
        layout.notes.push_back("file compression = " + *compressed + ": the window reads only uncompressed samples");
    const std::string* interleave = header.find("interleave");
    const std::string word = interleave ? upperTrimmed(*interleave) : "BSQ";
    const std::string source = interleave ? "interleave " + trimmed(*interleave) : "interleave absent: bsq";
    if (word == "BSQ") setBandStructure(layout, BandStructure::BSQ, source);
    else if (word == "BIL") setBandStructure(layout, BandStructure::BIL, source);
    else if (word == "BIP") setBandStructure(layout, BandStructure::BIP, source);
    else layout.notes.push_back(source + ": not an interleave the window knows; Band structure left unchanged");

    if (const std::string* ignore = header.find("data ignore value")) {
        const std::string text = trimmed(*ignore);
        if (isPlainNumber(text))
            layout.nonDataValue = Sourced<std::string>{text, "data ignore value " + text};
        else
            layout.remark("data ignore value = " + text + " is not a number; the non-data value left unchanged");
    }
    return layout;
}

}  // namespace skeldra
