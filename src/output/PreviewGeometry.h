#pragma once
// Which sample each pixel of the preview shows. The picture is the area
// reduced so that neither side exceeds the preview size, never enlarged, with
// one step along lines and samples so that it keeps the area's proportions.
#include <cstdint>
#include <vector>

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

}  // namespace skeldra
