// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Find Layout": layout discovery on the input file as a long operation
// (progress bar, Abort), then the best candidates offered with a picture
// each. The one chosen sets the boxes and buttons as Layout from Label does,
// and the band group shows the boxes of its structure. Cancel, Abort and a
// search that finds nothing change no box; the search's verdict is logged.
//
// Failure: the input file's I/O error ends it before anything changes; a
// candidate whose picture cannot be drawn gets none.
#include <string>

#include "discover/CandidateLayout.h"
#include "port/WindowPort.h"

namespace skeldra {

// How many candidates are offered, the long side of their pictures, and of
// a picture shown larger.
constexpr size_t candidatesOffered = 5;
constexpr int32_t candidatePictureSize = 256;
constexpr int32_t largerPictureSize = 1024;

void FindLayout(WindowPort& port);

// The Preview of the whole image under `layout` with Auto stretch, its long
// side `size` (less for a smaller image), drawn in a window of its own so
// that the form stays as it is; empty when the preview fails or has nothing
// to draw.
GrayPicture candidatePicture(const std::string& path, const CandidateLayout& layout,
                             int32_t size = candidatePictureSize);

}  // namespace skeldra
