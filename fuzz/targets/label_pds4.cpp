// The PDS4 label reader (XML): any bytes parsed and laid out, and read by
// Layout from Label as the opened label and as a label beside the data.
// Only a LabelSyntaxError may end the parsing.
#include <optional>
#include <string>
#include <string_view>

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
        const LabelLayout layout =
            pds4Layout(product, "x.xml", "input.img", [](const std::string& name) -> std::optional<std::string> {
                return "/data/" + name;
            });
        require(layout.labelKind == "PDS4", "the layout lost its kind");
    } catch (const LabelSyntaxError&) {
    }
    fuzzing::layoutFromLabelBytes(data, size, "input.xml", "input.xml");
    return 0;
}
