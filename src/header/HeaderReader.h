// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Showing the ASCII header at the start of the input file in the log, one log
// line per text line, so that the user can read the layout keywords.
//
// Failure: the input file's I/O errors end the operation (after the first two
// log lines when it cannot be opened); the Abort button is hidden and the
// file closed on every way out.
#include "port/WindowPort.h"

namespace skeldra {

// Reads from byte 0 up to the limits of the "Max line length:" and "Max
// lines to read:" boxes, or with both at 0 up to and including a line "END".
void ReadAsciiHeader(WindowPort& port);

}  // namespace skeldra
