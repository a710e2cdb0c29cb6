// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A reader of ENVI header files (.hdr: "ENVI", then key = value lines,
// values in braces running over lines) and the raster layout they give.
//
// Failure: a text that is not an ENVI header raises LabelSyntaxError.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "label/LabelLayout.h"
#include "label/TextTools.h"

namespace skeldra {

struct EnviHeader {
    // Keys in lower case with single blanks ("header offset"); values trimmed,
    // braces kept.
    std::vector<std::pair<std::string, std::string>> entries;

    // The value of the key's last entry, or null.
    const std::string* find(std::string_view key) const;
    int count(std::string_view key) const;
};

EnviHeader parseEnvi(std::string_view text);

LabelLayout enviLayout(const EnviHeader& header, const std::string& labelPath);

}  // namespace skeldra
