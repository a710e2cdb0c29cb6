// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The controls of the main window that operations read or change, by role.
// Their object names, captions, defaults and hints are in ui/ControlCatalog.
#include <cstdint>

namespace skeldra {

// Every labeled numeric box of the main window.
enum class Box : uint8_t {
    HeaderBytes,
    NumSamples,
    BitsPerSample,
    Line,
    Sample,
    NumBands,
    BandNum,
    NumSingleImageLines,
    NumBandPadBytes,
    NumRowPadBytes,
    NumBandGapBytes,
    StartLine,
    StartSample,
    EndLine,
    EndSample,
    NonDataValue,
    MinData,
    MaxData,
    OriginSample,
    Gamma,
    MaxPreviewDimension,
    MaxHeaderLineLength,
    MaxHeaderLines,
    ClipPercent,  // percent of points left out at each end by a stretch; 0 off
    TileSamples,  // samples and lines of one tile of a tiled layout; both 0 untiled
    TileLines,
    RedBand,      // the bands of a colour composite, when RGB is ticked
    GreenBand,
    BlueBand,
    Count
};

// Every check box and radio button. Radio buttons form groups in which
// exactly one is checked.
enum class Choice : uint8_t {
    UnsignedInteger,  // group "Data Format"
    SignedInteger,
    Real,
    ReverseBytes,     // check box
    NoBands,          // group "Band structure"
    BIL,
    BIP,
    BSQ,
    ListPoints,          // check box
    IgnoreNonDataValue,  // check box
    AutoStretchPreview,  // check box
    BMPOutput,           // group of the output kind
    TextOutput,
    PNGOutput,
    PNG16Output,
    TIFFOutput,
    RGB,  // check box: three bands as red, green and blue
    Count
};

constexpr int boxCount = static_cast<int>(Box::Count);
constexpr int choiceCount = static_cast<int>(Choice::Count);

}  // namespace skeldra
