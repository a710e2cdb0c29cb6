// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Save Layout...": the layout in the boxes written as a header that GDAL,
// QGIS or ENVI read the input file with, where it lies: a GDAL VRT, an ENVI
// .hdr or a PDS3 detached label. The lines of a band image come from the
// Lines box for BSQ and from the file's size otherwise, as Reset finds them.
//
// Failure: a layout the chosen format cannot describe is refused with an
// Error saying what cannot be written; nothing is created then. The header
// appears at its name only when complete.
#include <optional>

#include "output/LayoutHeaders.h"
#include "port/WindowPort.h"

namespace skeldra {

// `kind` empty: the kind follows the extension of the name chosen in the
// save dialog (.vrt, .hdr or .lbl).
void SaveLayout(WindowPort& port, std::optional<LayoutKind> kind);

}  // namespace skeldra
