// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Which sample each pixel of the preview shows. The picture is the area
// reduced so that neither side exceeds the preview size, never enlarged, with
// one step along lines and samples so that it keeps the area's proportions.
#include <cstdint>
#include <vector>

#include "port/PreviewPicture.h"
#include "raster/AreaOfInterest.h"

namespace skeldra {

struct PreviewSize {
    int32_t Width = 0;
    int32_t Height = 0;
    long double SampleStep = 1;  // area samples (and lines) from one pixel to the next
};

// The size rule for an area of at least one line and one sample and a
// preview size of at least 1. A reduced side that would round to 0 pixels
// gets 1, so that the step can always be formed.
PreviewSize previewSize(int32_t areaWidth, int32_t areaHeight, int32_t maxDimension);

// The line of every pixel row and the sample of every pixel column, rounded
// to the nearest (halves to even); columns past the end sample continue at
// the start sample, as the rows of the conversion do.
std::vector<int32_t> previewLines(const AreaOfInterest& area, const PreviewSize& size);
std::vector<int32_t> previewSamples(const AreaOfInterest& area, const PreviewSize& size);

// The preview window maps the pointer back to the file through what the
// picture was drawn from, with the rounding of previewLines and previewSamples.
struct PointPosition {
    int32_t Line = 1;
    int32_t Sample = 1;
};

struct AreaBounds {
    int32_t StartLine = 1;
    int32_t EndLine = 1;
    int32_t StartSample = 1;
    int32_t EndSample = 1;
};

AreaOfInterest shownArea(const PreviewSource& source);

// The line and sample that pixel (column, row) shows; a pixel beyond the
// picture is taken at the nearest edge of the area.
PointPosition pixelPosition(const PreviewSource& source, int32_t column, int32_t row);

// The lines and samples covered by the pixels between two corners (inclusive,
// in either order), each pixel standing for one step of lines and samples.
// The result lies within the area shown. A rectangle across the place where
// the end sample meets the start sample shows both ends of the row; the area
// that holds all of its samples is then the whole row.
AreaBounds areaUnderRectangle(const PreviewSource& source, int32_t column0, int32_t row0, int32_t column1,
                              int32_t row1);

}  // namespace skeldra
