// SPDX-License-Identifier: BSD-3-Clause
#include "discover/ExplainFile.h"

#include "base/Checked.h"
#include "discover/ByteAccount.h"
#include "label/LabelFinder.h"
#include "raster/FormatParameters.h"
#include "raster/SampleReader.h"
#include "raster/Strides.h"

namespace skeldra {

namespace {

// The pads and lines behind the strides that ReadFormatParameters derived.
AccountLayout layoutInTheBoxes(WindowPort& port)
{
    const RasterLayout& r = port.state.Layout;
    AccountLayout layout;
    layout.headerBytes = r.HeaderBytes;
    layout.samples = r.NumSamples;
    layout.bytesPerSample = r.BytesPerSample;
    layout.bands = r.NumBands;
    layout.structure = r.Structure;
    layout.format = currentSampleFormat(port, r.BytesPerSample);
    const int64_t lineBytes = mul64(r.NumSamples, r.BytesPerSample);
    switch (r.Structure) {
    case BandStructure::None: break;
    case BandStructure::BIL:
        layout.bandPad = sub64(r.InnerStepBytes, lineBytes);
        layout.linePad = sub64(r.OuterStepBytes, mul64(r.InnerStepBytes, r.NumBands));
        break;
    case BandStructure::BIP: layout.linePad = sub64(r.OuterStepBytes, mul64(lineBytes, r.NumBands)); break;
    case BandStructure::BSQ:
        layout.lines = port.IntegerValue(Box::NumSingleImageLines);
        layout.linePad = sub64(r.InnerStepBytes, lineBytes);
        layout.gap = sub64(r.OuterStepBytes, mul64(r.InnerStepBytes, layout.lines));
        break;
    }
    if (isTiled(r)) {
        // The strides are those of rows of tiles, without line pads.
        layout.tileSamples = r.TileSamples;
        layout.tileLines = r.TileLines;
        layout.linePad = 0;
        if (r.Structure == BandStructure::BSQ)
            layout.gap = sub64(r.OuterStepBytes, mul64(r.InnerStepBytes, tilesCovering(layout.lines, r.TileLines)));
    }
    return layout;
}

// A label's line prefix, when the boxes hold the header and line pad that
// label gives for this very file.
int64_t labelLinePrefix(const std::string& path, const AccountLayout& layout)
{
    if (layout.structure == BandStructure::None) return 0;
    const std::optional<LabelLayout> label = findLabelLayout(path);
    if (!label || label->linePrefix <= 0 || !label->dataPath.empty() || !label->headerBytes || !label->linePad)
        return 0;
    if (label->headerBytes->value != layout.headerBytes || label->linePad->value != layout.linePad) return 0;
    return label->linePrefix;
}

}  // namespace

void ExplainFile(WindowPort& port, AccountForm form)
{
    if (!ReadFormatParameters(port)) return;
    AccountLayout layout = layoutInTheBoxes(port);
    const std::string& path = port.state.InputFilename;
    layout.linePrefix = labelLinePrefix(path, layout);
    const ByteAccount account = accountBytes(path, layout);
    if (form == AccountForm::Json) {
        port.appendLog(accountJson(account));
        return;
    }
    for (const std::string& line : describeAccount(account)) port.appendLog(line);
    port.appendLog("");
}

}  // namespace skeldra
