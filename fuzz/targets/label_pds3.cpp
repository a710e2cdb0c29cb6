// The PDS3 label reader (ODL): any bytes parsed, laid out as an attached and
// as a detached label, and read by Layout from Label both ways. Only a
// LabelSyntaxError may end the parsing; sizes laid out are never negative.
#include <optional>
#include <string>
#include <string_view>

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
            if (const auto layout = pds3Layout(label, "x.lbl", attached, anyFile)) requireSizes(*layout);
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.img", "input.lbl");
    return 0;
}
