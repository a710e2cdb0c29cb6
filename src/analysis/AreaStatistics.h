// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The "Histogram" operation: the smallest and largest data value of the area
// of interest of one band, each with its first position, and the number of
// non-data points; the extremes go into the "Min data" and "Max data" boxes.
//
// Failure: I/O errors, "Integer overflow" and the progress bar's refusal of a
// negative range end the operation without a summary; the progress bar and
// the Abort button are hidden and the input file closed on every way out.
#include "port/WindowPort.h"

namespace skeldra {

void ComputeAreaStatistics(WindowPort& port);

}  // namespace skeldra
