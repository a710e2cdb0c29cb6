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

}  // namespace skeldra
