// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Printing a real sample: 8 significant digits for 4-byte samples, 16 for
// all others, exponent with its leading zero dropped (1.5000000E+00).
#include <cstdint>
#include <string>

#include "base/Format.h"

namespace skeldra {

inline std::string FormatRealValue(long double value, int32_t bytesPerSample)
{
    return formatRealDigits(value, bytesPerSample == 4 ? 8 : 16);
}

}  // namespace skeldra
