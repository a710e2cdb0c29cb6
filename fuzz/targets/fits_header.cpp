// The FITS header reader: any bytes. A header either reads, with its size in
// whole blocks covering every card up to END, or is refused as bad syntax;
// the layout holds only values the window can take.
#include <cstdint>
#include <string>

#include "label/Fits.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    FitsHeader header;
    try {
        header = parseFits(text);
    } catch (const LabelSyntaxError&) {
        return 0;
    }
    require(looksLikeFits(text), "a text without SIMPLE = was read");
    require(header.headerBytes > 0 && header.headerBytes % static_cast<int64_t>(fitsBlockBytes) == 0,
            "the header size is not whole blocks");
    require(static_cast<size_t>(header.headerBytes) < size + fitsBlockBytes, "the header runs past its END block");
    const LabelLayout layout = fitsLayout(header, "f.fits");
    if (layout.bitsPerSample) {
        const int64_t bits = layout.bitsPerSample->value;
        require(bits == 8 || bits == 16 || bits == 32 || bits == 64, "bits the window cannot read");
        if (layout.dataFormat)
            require(layout.reverseBytes && layout.reverseBytes->value == (bits != 8), "FITS samples are big-endian");
    }
    if (layout.samplesPerLine)
        require(layout.samplesPerLine->value > 0 && layout.lines && layout.lines->value > 0 && layout.headerBytes,
                "an image without its lines or header");
    if (layout.nonDataValue) require(layout.dataFormat && layout.dataFormat->value != DataFormat::Real, "BLANK of reals");
    return 0;
}
