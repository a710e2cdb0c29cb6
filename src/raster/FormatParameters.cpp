// SPDX-License-Identifier: BSD-3-Clause
#include "raster/FormatParameters.h"

#include "base/Errors.h"
#include "base/Format.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

void correctBandNumber(WindowPort& port, int32_t numBands)
{
    if (port.IntegerValue(Box::BandNum) > numBands) {
        port.showMessage("Correcting illegal Band #");
        port.setBoxText(Box::BandNum, port.boxText(Box::NumBands));
    } else if (port.IntegerValue(Box::BandNum) <= 0) {
        port.showMessage("Correcting illegal Band #");
        port.setBoxText(Box::BandNum, "1");
    }
}

bool applyBitsPerSample(WindowPort& port, int32_t bits)
{
    switch (bits) {
    case 8:
        port.check(Choice::UnsignedInteger);
        return true;
    case 16:
        if (!port.isChecked(Choice::UnsignedInteger) && !port.isChecked(Choice::SignedInteger))
            port.check(Choice::UnsignedInteger);
        return true;
    case 32:
        return true;
    case 64:
        port.check(Choice::Real);
        return true;
    default:
        port.showMessage(format("Unsupported data type: %d bits per sample", {int64_t{bits}}));
        return false;
    }
}

BandStructure checkedStructure(WindowPort& port)
{
    if (port.isChecked(Choice::NoBands)) return BandStructure::None;
    if (port.isChecked(Choice::BIL)) return BandStructure::BIL;
    if (port.isChecked(Choice::BIP)) return BandStructure::BIP;
    return BandStructure::BSQ;
}

// The boxes a structure reads, in the order it reads them.
BandPadding readPadding(WindowPort& port, BandStructure structure)
{
    BandPadding padding;
    switch (structure) {
    case BandStructure::None:
        break;
    case BandStructure::BIL:
        padding.bandPad = port.IntegerValue(Box::NumBandPadBytes);
        padding.linePad = port.IntegerValue(Box::NumRowPadBytes);
        break;
    case BandStructure::BIP:
        padding.linePad = port.IntegerValue(Box::NumRowPadBytes);
        break;
    case BandStructure::BSQ:
        padding.lines = port.IntegerValue(Box::NumSingleImageLines);
        padding.linePad = port.IntegerValue(Box::NumRowPadBytes);
        padding.gap = port.IntegerValue(Box::NumBandGapBytes);
        break;
    }
    return padding;
}

void showBandBoxes(WindowPort& port, BandStructure structure)
{
    const bool banded = structure != BandStructure::None;
    port.setBoxVisible(Box::NumBands, banded);
    port.setBoxVisible(Box::BandNum, banded);
    port.setBoxVisible(Box::NumSingleImageLines, structure == BandStructure::BSQ);
    port.setBoxVisible(Box::NumBandPadBytes, structure == BandStructure::BIL);
    port.setBoxVisible(Box::NumRowPadBytes, banded);
    port.setBoxVisible(Box::NumBandGapBytes, structure == BandStructure::BSQ);
    port.setBandGroupHeight(banded ? 100 : 40);
}

}  // namespace

std::vector<Box> layoutBoxes(WindowPort& port)
{
    std::vector<Box> boxes{Box::NumSamples, Box::NumBands, Box::BandNum, Box::HeaderBytes, Box::BitsPerSample};
    switch (checkedStructure(port)) {
    case BandStructure::None: break;
    case BandStructure::BIL: boxes.insert(boxes.end(), {Box::NumBandPadBytes, Box::NumRowPadBytes}); break;
    case BandStructure::BIP: boxes.push_back(Box::NumRowPadBytes); break;
    case BandStructure::BSQ:
        boxes.insert(boxes.end(), {Box::NumSingleImageLines, Box::NumRowPadBytes, Box::NumBandGapBytes});
        break;
    }
    boxes.insert(boxes.end(), {Box::TileSamples, Box::TileLines});
    return boxes;
}

bool ReadFormatParameters(WindowPort& port)
{
    RasterLayout& layout = port.state.Layout;
    layout.NumSamples = port.IntegerValue(Box::NumSamples);
    layout.NumBands = port.IntegerValue(Box::NumBands);
    correctBandNumber(port, layout.NumBands);
    layout.HeaderBytes = port.IntegerValue(Box::HeaderBytes);
    const int32_t bits = port.IntegerValue(Box::BitsPerSample);
    layout.BytesPerSample = bits / 8;
    const bool supported = applyBitsPerSample(port, bits);
    ComputeBandStrides(port);
    return supported;
}

void ComputeBandStrides(WindowPort& port)
{
    RasterLayout& layout = port.state.Layout;
    const BandStructure structure = checkedStructure(port);
    const BandPadding padding = readPadding(port, structure);
    const TileSize tiles{port.IntegerValue(Box::TileSamples), port.IntegerValue(Box::TileLines)};
    // Tiles that do not fit are refused after the boxes of the structure
    // are shown, so that a click on a band-structure button shows them.
    const std::string tileRefusal = tileProblem(structure, padding, tiles);
    const TileSize used = tileRefusal.empty() ? tiles : TileSize{};
    const BandStrides strides =
        bandStrides(structure, layout.NumSamples, layout.BytesPerSample, layout.NumBands, padding, used);
    layout.Structure = structure;
    layout.OuterStepBytes = strides.OuterStepBytes;
    layout.InnerStepBytes = strides.InnerStepBytes;
    layout.TileSamples = used.samples;
    layout.TileLines = used.lines;
    showBandBoxes(port, structure);
    if (!tileRefusal.empty()) throw Error(tileRefusal);
}

}  // namespace skeldra
