// SPDX-License-Identifier: BSD-3-Clause
// The VICAR label reader: any bytes parsed and laid out, and read by Layout
// from Label as an attached label. Only a LabelSyntaxError may end the
// parsing; sizes laid out are never negative.
#include <string_view>

#include "label/Vicar.h"
#include "support/FuzzWindow.h"
#include "support/LabelFuzz.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const VicarLabel label = parseVicar(text);
        require(label.lblsize > 0, "a label without a size was accepted");
        const LabelLayout layout = vicarLayout(label, 0, "x.img");
        for (const auto* size : {&layout.headerBytes, &layout.linePad, &layout.bandPad, &layout.gap})
            if (*size) require((*size)->value >= 0, "negative size laid out: " + (*size)->source);
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.img", "");
    return 0;
}
