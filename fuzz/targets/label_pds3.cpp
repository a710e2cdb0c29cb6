// SPDX-License-Identifier: BSD-3-Clause
// The PDS3 label reader (ODL): any bytes parsed, laid out as an attached and
// as a detached label, and read by Layout from Label both ways, then with
// each of its image objects chosen. Only a LabelSyntaxError may end the
// parsing, and only an Error a choice of no image object; sizes laid out are
// never negative.
#include <optional>
#include <string>
#include <string_view>

#include "base/Errors.h"
#include "label/Pds3Layout.h"
#include "support/FuzzWindow.h"
#include "support/LabelFuzz.h"

using namespace skeldra;
using fuzzing::require;

namespace {

// Every file a pointer names exists, so that the layout goes all the way.
std::optional<std::string> anyFile(const std::string& name) { return "/data/" + name; }

void requireSizes(const LabelLayout& layout)
{
    for (const auto* size : {&layout.headerBytes, &layout.linePad, &layout.bandPad, &layout.gap})
        if (*size) require((*size)->value >= 0, "negative size laid out: " + (*size)->source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const OdlLabel label = parseOdl(text, false);
        require(label.endOffset <= size, "END lies beyond the text");
        for (const bool attached : {true, false})
            if (const auto layout = pds3Layout(label, "x.lbl", attached, anyFile)) {
                requireSizes(*layout);
                // Each other image named reads when chosen.
                for (const LabelImage& other : layout->otherImages) {
                    const auto chosen = pds3Layout(label, "x.lbl", attached, anyFile, other.choice.Object);
                    require(chosen && chosen->otherImages.size() == layout->otherImages.size(),
                            "another image named could not be chosen: " + other.choice.Object);
                    requireSizes(*chosen);
                }
            }
        for (const char* chosen : {"2", "IMAGE", "0"}) {
            try {
                if (const auto layout = pds3Layout(label, "x.lbl", true, anyFile, chosen)) requireSizes(*layout);
            } catch (const Error&) {
                // No such image object: refused with its names.
            }
        }
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.img", "input.lbl");
    return 0;
}
