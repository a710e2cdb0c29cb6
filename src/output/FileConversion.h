// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// "Convert File": the area of interest of one band written as an 8-bit gray
// BMP file (rows bottom-up), a tab-separated text file (rows top-down), an
// 8- or 16-bit gray PNG file with the BMP's mapping, or a TIFF file of the
// raw values; every row turned about the origin sample. A long operation: progress bar,
// Abort button, events processed while it runs.
//
// Failure: nothing is created before the area, the BMP size and the progress
// range are known to be valid; the file appears at its target only when the
// conversion ends, so an error leaves an earlier file there untouched. After
// an abort the file holds the rows completed, and its header says so; an
// abort by closing the window leaves the target as it was.
#include "port/WindowPort.h"

namespace skeldra {

// The kinds of output file, each chosen by one radio button.
enum class OutputKind { Bmp, Text, Png, Png16, Tiff };
Choice outputChoice(OutputKind kind);

void ConvertFile(WindowPort& port);

}  // namespace skeldra
