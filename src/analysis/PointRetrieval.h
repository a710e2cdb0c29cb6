#pragma once
#include "port/WindowPort.h"

namespace skeldra {

// Reads the sample at the Line and Sample boxes of the current band and logs
// its value as one line.
void RetrievePoint(WindowPort& port);

}  // namespace skeldra
