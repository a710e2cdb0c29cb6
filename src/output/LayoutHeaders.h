// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The layout of a raw file written out as a header that other tools read the
// file with, in place: a GDAL VRT of raw bands, an ENVI .hdr, or a PDS3
// detached label. Each format can describe only some layouts; a layout it
// cannot describe is refused, never written so that the file reads wrongly.
//
// Failure: an Error saying what the format cannot describe.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "port/FormState.h"
#include "raster/SampleDecode.h"

namespace skeldra {

enum class LayoutKind { Vrt, Envi, Pds3 };

// Where every sample of every band lies: sample s (0-based) of line l of
// band b is at bandOffset(b) + l * LineOffset + s * PixelOffset. Bands are
// evenly spaced in every structure, so a layout of any band count is a few
// numbers.
struct RawFileLayout {
    std::string rawPath;  // the raw file as the header names it (relative to the header)
    int64_t headerBytes = 0;
    int32_t samples = 0;
    int64_t lines = 0;
    int32_t bands = 1;
    BandStructure structure = BandStructure::None;
    SampleKind kind = SampleKind::U8;
    bool mostSignificantFirst = false;
    int64_t pixelOffset = 0;
    int64_t lineOffset = 0;
    int64_t firstBandOffset = 0;
    int64_t bandStep = 0;  // from one band's first sample to the next band's
    int32_t linePad = 0;  // bytes after each line, as the layout has them
    std::optional<std::string> noData;  // the non-data value, when it is ignored
    // The bands of a colour composite (red, green, blue; 1-based), which a
    // VRT names in their ColorInterp.
    std::optional<std::array<int32_t, 3>> rgbBands;

    int64_t bandOffset(int32_t band) const;  // 0-based
};

// Receives a header piece by piece: a VRT repeats itself for every band, and
// a file of a million bands must not be held whole.
using HeaderSink = std::function<void(const std::string& piece)>;

// The offsets of every band from the window's layout, for `lines` lines.
RawFileLayout describeLayout(const RasterLayout& layout, int64_t lines, SampleKind kind, bool mostSignificantFirst,
                             int32_t linePad);

void writeVrtHeader(const RawFileLayout& layout, const HeaderSink& sink);
std::string vrtHeader(const RawFileLayout& layout);
std::string enviHeader(const RawFileLayout& layout);
std::string pds3Label(const RawFileLayout& layout);
// Why GDAL's PDS reader would read this correct label wrongly, if it would.
std::vector<std::string> pds3GdalCaveats(const RawFileLayout& layout);

void writeLayoutHeader(LayoutKind kind, const RawFileLayout& layout, const HeaderSink& sink);
std::string layoutHeader(LayoutKind kind, const RawFileLayout& layout);

// "GDAL VRT", "ENVI header", "PDS3 label".
const char* layoutKindName(LayoutKind kind);
// ".vrt", ".hdr", ".lbl".
const char* layoutExtension(LayoutKind kind);

}  // namespace skeldra
