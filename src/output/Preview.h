// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Preview": the area of interest drawn as a gray picture no larger than the
// preview size, one sample per pixel, with the levels of the BMP conversion.
// With "Auto" the range comes from the smallest and largest value shown,
// which are logged. Runs without pumping events, under the busy pointer.
//
// Failure: errors of the input file end it before the picture is shown; an
// empty area or a preview size below 1 is refused before the file is read.
#include "port/WindowPort.h"

namespace skeldra {

void RenderPreview(WindowPort& port);

// Whether a preview now would run without a message box and without changing
// a box: every box it reads accepts its entry quietly, the bits per sample
// are supported and Band # needs no correction. A trial run while the user
// types waits until this holds.
bool PreviewInputsReady(WindowPort& port);

}  // namespace skeldra
