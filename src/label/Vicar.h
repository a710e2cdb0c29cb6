// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A reader of VICAR labels (KEY=VALUE items, the first being LBLSIZE) and
// the raster layout they give.
//
// Failure: a text that is not a VICAR label raises LabelSyntaxError.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "label/LabelLayout.h"
#include "label/TextTools.h"

namespace skeldra {

struct VicarItem {
    std::string key;    // upper case
    std::string value;  // a string's contents, or the word as written
    bool quoted = false;
    bool list = false;  // (a, b, c): value holds the text between the parentheses
};

struct VicarLabel {
    std::vector<VicarItem> items;  // in label order; system items first
    int64_t lblsize = 0;

    // The first item of that key, which is the system label's.
    const VicarItem* find(std::string_view key) const;
};

// Reads the label at the start of `text`, up to LBLSIZE bytes or a NUL byte.
VicarLabel parseVicar(std::string_view text);

// `labelOffset`: where the label starts in the file (after a PDS3 label).
LabelLayout vicarLayout(const VicarLabel& label, int64_t labelOffset, const std::string& labelPath);

}  // namespace skeldra
