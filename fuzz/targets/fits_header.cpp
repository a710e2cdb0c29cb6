// SPDX-License-Identifier: BSD-3-Clause
// The FITS reader: any bytes, as a primary header and as a whole file of
// HDUs. A header either reads, with its size in whole blocks covering every
// card up to END, or is refused as bad syntax; the HDUs follow one another
// within the file and the header budget; the layout of the first image and
// of each HDU chosen holds only values the window can take, or the choice is
// refused with an Error.
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "label/Fits.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::require;

namespace {

constexpr int64_t budget = 16 * static_cast<int64_t>(fitsBlockBytes);

void requireReadable(const LabelLayout& layout)
{
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
    if (layout.bands && layout.gap) require(layout.gap->value >= 0, "a negative gap between HDUs");
}

void requireHdus(const std::vector<FitsHdu>& hdus, size_t size)
{
    int64_t headers = 0;
    for (size_t i = 0; i < hdus.size(); ++i) {
        const FitsHdu& hdu = hdus[i];
        require(hdu.number == static_cast<int64_t>(i) + 1, "HDUs out of order");
        require(hdu.start + hdu.header.headerBytes <= static_cast<int64_t>(size) || i == 0, "an HDU beyond the file");
        if (i > 0) require(hdu.start >= hdus[i - 1].start + hdus[i - 1].header.headerBytes, "HDUs overlap");
        headers += hdu.header.headerBytes;
    }
    require(headers <= budget, "more header bytes read than the budget");
}

}  // namespace

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
    requireReadable(fitsLayout(header, "f.fits"));

    const FitsRead read = [&](int64_t position, size_t n) {
        return position >= static_cast<int64_t>(size) ? std::string() : text.substr(static_cast<size_t>(position), n);
    };
    std::vector<std::string> notes;
    const std::vector<FitsHdu> hdus = readFitsHdus(header, read, static_cast<int64_t>(size), budget, notes);
    requireHdus(hdus, size);
    for (int64_t chosen = 0; chosen <= static_cast<int64_t>(hdus.size()) + 1; ++chosen) {
        try {
            requireReadable(fitsFileLayout(hdus, "f.fits", chosen));
        } catch (const Error&) {
            require(chosen != 0, "the first image was refused");
        }
    }
    return 0;
}
