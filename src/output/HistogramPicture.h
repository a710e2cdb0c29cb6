// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The picture of an area's histogram, the same for the window and the batch
// tool: 256 bars between the smallest and largest data value (counts on a
// linear or a logarithmic axis), "Min data" and "Max data" marked in blue,
// the "Clip %" percentiles in red, and the points in no bar (non-data,
// not-a-number, infinite) said below it.
#include "port/HistogramReport.h"
#include "port/PreviewPicture.h"

namespace skeldra {

PreviewPicture renderHistogram(const HistogramReport& report, bool logCounts);

// Writes the picture as an 8-bit RGB PNG, replacing the file only when done.
void writeRgbPng(const PreviewPicture& picture, const std::string& path);

}  // namespace skeldra
