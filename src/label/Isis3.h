// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The raster layout that an attached ISIS3 cube label gives: the IsisCube
// object's Core (StartByte, Format BandSequential or Tile with TileSamples
// and TileLines) with its groups Dimensions (Samples, Lines, Bands) and
// Pixels (Type, ByteOrder, Base, Multiplier). ISIS3 labels
// share the syntax of PDS3 labels and are read with the same reader.
#include <optional>
#include <string>
#include <string_view>

#include "label/LabelLayout.h"
#include "label/Odl.h"

namespace skeldra {

// A text that starts with "Object = IsisCube".
bool looksLikeIsis3(std::string_view text);

// Empty when the label has no IsisCube object holding a Core object.
std::optional<LabelLayout> isis3Layout(const OdlLabel& label, const std::string& labelPath);

}  // namespace skeldra
