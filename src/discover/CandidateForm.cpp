// SPDX-License-Identifier: BSD-3-Clause
#include "discover/CandidateForm.h"

#include <cstdio>

namespace skeldra {

LabelLayout formLayout(const CandidateLayout& layout, const std::string& source)
{
    // "None" has no line pad: such a candidate is one BSQ band, as
    // rasterLayout reads it. Values beyond the boxes are left to the notes
    // of ApplyLayout rather than refused here.
    const BandStructure structure = layout.structure == BandStructure::None && layout.linePad != 0
                                        ? BandStructure::BSQ
                                        : layout.structure;
    const auto sourced = [&](int64_t value) { return Sourced<int64_t>{value, source}; };
    LabelLayout form;
    form.headerBytes = sourced(layout.headerBytes);
    form.samplesPerLine = sourced(layout.samplesPerLine);
    form.lines = sourced(layout.lines);
    form.bitsPerSample = sourced(int64_t{layout.encoding.bytes} * 8);
    form.dataFormat = Sourced<DataFormat>{layout.encoding.format, source};
    form.reverseBytes = Sourced<bool>{layout.encoding.bytes > 1 && layout.encoding.msbFirst, source};
    form.bands = sourced(structure == BandStructure::None ? 1 : layout.bands);
    form.bandStructure = Sourced<BandStructure>{structure, source};
    // The pads of the other structures are 0, so that none typed earlier lingers.
    form.linePad = sourced(layout.linePad);
    form.bandPad = sourced(structure == BandStructure::BIL ? layout.bandPad : 0);
    form.gap = sourced(structure == BandStructure::BSQ ? layout.gap : 0);
    if (layout.tileSamples > 0) {
        form.tileSamples = sourced(layout.tileSamples);
        form.tileLines = sourced(layout.tileLines);
    }
    return form;
}

// In the candidate's own terms, so that a layout beyond what the boxes hold
// is still described.
std::string describeLayout(const CandidateLayout& layout)
{
    static const char* const structures[] = {"", "BIL", "BIP", "BSQ"};
    std::string text = std::to_string(layout.samplesPerLine) + " samples x " + std::to_string(layout.lines) +
                       " lines, " + describeEncoding(layout.encoding);
    if (layout.structure != BandStructure::None)
        text += ", " + std::to_string(layout.bands) + (layout.bands == 1 ? " band " : " bands ") +
                structures[static_cast<int>(layout.structure)];
    text += ", header " + std::to_string(layout.headerBytes) + " bytes";
    if (layout.linePad != 0) text += ", line pad " + std::to_string(layout.linePad) + " bytes";
    if (layout.structure == BandStructure::BIL && layout.bandPad != 0)
        text += ", band pad " + std::to_string(layout.bandPad) + " bytes";
    if (layout.structure == BandStructure::BSQ && layout.gap != 0)
        text += ", gap " + std::to_string(layout.gap) + " bytes";
    if (layout.tileSamples > 0)
        text += ", in tiles of " + std::to_string(layout.tileSamples) + " x " + std::to_string(layout.tileLines) +
                " samples";
    return text;
}

std::string scoreText(double score)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", score);
    return text;
}

}  // namespace skeldra
