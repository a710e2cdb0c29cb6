// SPDX-License-Identifier: BSD-3-Clause
// The ISIS3 cube label reader: any bytes after "Object = IsisCube". A label
// either reads or is refused as bad syntax; a cube read sets only values the
// window can take, tiles only with both their sides, and a refused cube sets
// no box.
#include <cstdint>
#include <string>

#include "label/Isis3.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = "Object = IsisCube\n" + std::string(reinterpret_cast<const char*>(data), size);
    std::optional<LabelLayout> layout;
    try {
        layout = isis3Layout(parseOdl(text), "c.cub");
    } catch (const LabelSyntaxError&) {
        return 0;
    }
    if (!layout) return 0;
    if (layout->bitsPerSample) {
        const int64_t bits = layout->bitsPerSample->value;
        require(bits == 8 || bits == 16 || bits == 32 || bits == 64, "bits the window cannot read");
    }
    require(layout->tileSamples.has_value() == layout->tileLines.has_value(), "tiles of one side only");
    if (layout->tileSamples) require(layout->bandStructure.has_value(), "tiles without the bands they tile");
    if (layout->bandStructure)
        require(layout->bandStructure->value == BandStructure::BSQ || layout->bandStructure->value == BandStructure::None,
                "a cube that is not band sequential");
    else
        require(!layout->headerBytes && !layout->samplesPerLine && !layout->bitsPerSample,
                "a refused cube set a box");
    return 0;
}
