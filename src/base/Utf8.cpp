// SPDX-License-Identifier: BSD-3-Clause
#include "base/Utf8.h"

#include <cstdint>

namespace skeldra {
namespace {

// Length of the sequence a lead byte starts, 0 for a byte that cannot lead.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

bool isValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = sequenceLength(lead);
        if (length == 0 || i + static_cast<size_t>(length) > text.size()) return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += static_cast<size_t>(length);
    }
    return true;
}

bool hasControlCharacter(std::string_view text)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return true;
    }
    return false;
}

std::string escapedBytes(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 0xF];
        }
    }
    return out;
}

}  // namespace skeldra
