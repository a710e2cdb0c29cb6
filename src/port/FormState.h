// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The state the main window holds for its operations. One object, shared by
// every handler; it lives as long as the window.
#include <cstdint>
#include <string>

namespace skeldra {

enum class BandStructure : uint8_t { None = 0, BIL = 1, BIP = 2, BSQ = 3 };

// The layout of the input file as the last ReadFormatParameters (or a click
// on a band-structure button) left it. Box values are 32-bit; the strides are
// 64-bit so that files of 2 GiB and more can be described.
struct RasterLayout {
    int32_t HeaderBytes = 0;
    int32_t NumBands = 0;
    int32_t NumSamples = 0;
    int64_t OuterStepBytes = 0;
    int64_t InnerStepBytes = 0;
    int32_t BytesPerSample = 0;
    BandStructure Structure = BandStructure::None;
    // Samples and lines of one tile; both 0 when the bands are stored in
    // lines. With tiles, InnerStepBytes is a row of tiles and
    // OuterStepBytes a band image (a row of tiles without bands).
    int32_t TileSamples = 0;
    int32_t TileLines = 0;

    bool operator==(const RasterLayout&) const = default;
};

// Which of the images of a label holding several Layout from Label reads;
// the first one when nothing is chosen.
struct LabelImageChoice {
    int64_t Hdu = 0;     // a FITS file's HDU, 1 the primary; 0 when not chosen
    std::string Object;  // a PDS3 object's name, a PDS4 array's local identifier, or either's position

    bool chosen() const { return Hdu != 0 || !Object.empty(); }
    bool operator==(const LabelImageChoice&) const = default;
};

struct FormState {
    RasterLayout Layout;
    std::string InputFilename = "Test.IMG";
    // The label the layout was last taken from, when it is not the input
    // file itself: an output must not replace it either. Cleared when
    // another input file is chosen.
    std::string LabelFilename;
    // Set by the batch tool's --from-label: a label whose layout values
    // cannot all be set ends the operation instead of leaving notes, since
    // the file would be read with whatever the other boxes hold.
    bool WholeLabelLayoutRequired = false;
    bool LastValueIsReal = false;
    bool AbortRequested = false;
    // The save dialog's current file name: empty after start-up, set from the
    // input file's name when one is chosen, then the name last accepted.
    std::string SaveDialogFileName;
    // True while a long operation runs; other operation buttons are ignored
    // meanwhile because they would share the input file and the progress bar.
    bool OperationRunning = false;
    // Set when the user closes the window while an operation runs: the
    // operation is aborted, and a conversion then leaves its target as it was.
    bool CloseRequested = false;
    // The image Layout from Label reads (the batch tool's --hdu and --object).
    LabelImageChoice LabelImage;
};

}  // namespace skeldra
