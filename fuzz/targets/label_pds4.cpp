// SPDX-License-Identifier: BSD-3-Clause
// The PDS4 label reader (XML): any bytes parsed and laid out, with each of
// its arrays chosen, and read by Layout from Label as the opened label and
// as a label beside the data. Only a LabelSyntaxError may end the parsing,
// and only an Error a choice of no array.
#include <optional>
#include <string>
#include <string_view>

#include "base/Errors.h"
#include "label/Pds4Layout.h"
#include "support/FuzzWindow.h"
#include "support/LabelFuzz.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const XmlElement product = parseXml(text);
        const auto anyFile = [](const std::string& name) -> std::optional<std::string> { return "/data/" + name; };
        const LabelLayout layout = pds4Layout(product, "x.xml", "input.img", anyFile);
        require(layout.labelKind == "PDS4", "the layout lost its kind");
        for (const LabelImage& other : layout.otherImages) {
            const LabelLayout chosen = pds4Layout(product, "x.xml", "input.img", anyFile, other.choice.Object);
            require(chosen.otherImages.size() == layout.otherImages.size(),
                    "another array named could not be chosen: " + other.choice.Object);
        }
        try {
            pds4Layout(product, "x.xml", "input.img", anyFile, "2");
        } catch (const Error&) {
            // No second array: refused with the names of those there are.
        }
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.xml", "input.xml");
    return 0;
}
