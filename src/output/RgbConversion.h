// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Convert File" with RGB ticked: three bands of the area as one colour
// picture (24-bit BMP, 8- or 16-bit RGB PNG), each channel stretched by its
// own range, or a TIFF of the three bands' raw values. The picture's ranges
// come from a statistics pass over the three channels before the output
// file is created; the conversion pass then streams the rows as the gray
// conversion does, with the same ending after an abort.
//
// Failure: as the gray conversion; an abort during the statistics pass
// leaves the target untouched.
#include <optional>
#include <string>

#include "output/ColourComposite.h"
#include "output/ConversionEnd.h"
#include "output/FileConversion.h"

namespace skeldra {

struct RgbConversion {
    AreaOfInterest area;
    NonDataTest test;
    RgbBands bands{};
    long double gamma = 1;
    long double clipPercent = 0;
    bool ignoreAtStart = false;  // the ignore box when the conversion began (the TIFF's no-data tag)
};

// Refuses the kinds that hold one band, and sizes no file can hold; before
// anything is read or created.
void checkRgbOutput(OutputKind kind, const AreaOfInterest& area);

// Logs the channels' ranges (pictures only) and writes the file; empty when
// the statistics pass was aborted.
std::optional<Written> writeRgb(WindowPort& port, OutputKind kind, const RgbConversion& settings,
                                const std::string& target);

}  // namespace skeldra
