// SPDX-License-Identifier: BSD-3-Clause
// The ENVI header reader: any bytes parsed and laid out, and read by Layout
// from Label as the opened header and as a header beside the data. Only a
// LabelSyntaxError may end the parsing.
#include <string_view>

#include "label/Envi.h"
#include "support/FuzzWindow.h"
#include "support/LabelFuzz.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const EnviHeader header = parseEnvi(text);
        for (const auto& [key, value] : header.entries)
            require(value.empty() || value[0] != '{' || value.find('}') != std::string::npos,
                    "an unclosed brace was accepted for " + key);
        enviLayout(header, "x.hdr");
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.hdr", "input.hdr");
    return 0;
}
