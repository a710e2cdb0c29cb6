// SPDX-License-Identifier: BSD-3-Clause
#pragma once
#include <string>

#include "port/WindowPort.h"

namespace skeldra {

// Reads the sample at the Line and Sample boxes of the current band and logs
// its value as one line.
void RetrievePoint(WindowPort& port);

// The value of one sample as of the layout a preview was drawn with, in the
// words of the point line. One positioned read of the sample's bytes, so that
// it can follow the pointer over a file of any size; the window's state is
// not touched.
//
// Failure: the errors of the read (e.g. "Read beyond end of file").
std::string DescribePoint(const PreviewSource& source, int32_t line, int32_t sample);

}  // namespace skeldra
