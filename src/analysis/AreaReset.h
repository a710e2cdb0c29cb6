// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The "Reset" operation of the area group: sets the area of interest to the
// whole image of one band and checks the layout against the size of the
// input file, which it looks up but does not open.
//
// Failure: a missing file is a log line and a beep, not an error; an
// overflow in the size arithmetic raises "Integer overflow" after the box
// texts written so far.
#include <cstdint>
#include <optional>
#include <string>

#include "port/WindowPort.h"

namespace skeldra {

void ResetArea(WindowPort& port);

// The size of any directory entry by that name (0 for one that is not a
// regular file), or nothing when there is none.
std::optional<int64_t> sizeOnDisk(const std::string& path);

}  // namespace skeldra
