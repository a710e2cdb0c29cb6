#pragma once
// "Convert File": the area of interest of one band written as an 8-bit gray
// BMP file (rows bottom-up) or a tab-separated text file (rows top-down),
// every row turned about the origin sample. A long operation: progress bar,
// Abort button, events processed while it runs.
//
// Failure: nothing is created before the area, the BMP size and the progress
// range are known to be valid; the file appears at its target only when the
// conversion ends, so an error leaves an earlier file there untouched. After
// an abort the file holds the rows completed, and its header says so; an
// abort by closing the window leaves the target as it was.
#include "port/WindowPort.h"

namespace skeldra {

void ConvertFile(WindowPort& port);

}  // namespace skeldra
