// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Filling the window's RasterLayout from the layout boxes and buttons.
#include <vector>

#include "port/WindowPort.h"

namespace skeldra {

// Copies the boxes into port.state.Layout, corrects an illegal band number,
// maps bits per sample to bytes per sample and to the data-type buttons, and
// recomputes the strides. False (after a message) for unsupported bits.
bool ReadFormatParameters(WindowPort& port);

// 8, 16, 32 and 64 bits per sample; any other width is refused with a message.
constexpr bool supportedBitsPerSample(int32_t bits) { return bits == 8 || bits == 16 || bits == 32 || bits == 64; }

// The boxes ReadFormatParameters reads with the band-structure button now
// checked, in its order.
std::vector<Box> layoutBoxes(WindowPort& port);

// Derives the band structure and strides from the band-structure buttons and
// the pad, gap and lines boxes, and shows only the boxes that structure uses.
void ComputeBandStrides(WindowPort& port);

}  // namespace skeldra
