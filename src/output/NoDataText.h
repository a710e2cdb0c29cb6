// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The non-data value as the files for other tools write it: the form the
// samples are compared with (4-byte real for samples up to 4 bytes, 8-byte
// real for 8-byte samples), in the shortest text that reads back exactly.
#include <charconv>
#include <cstdint>
#include <string>

#include "raster/NonDataTest.h"

namespace skeldra {

inline std::string noDataText(const NonDataTest& test, int32_t bytesPerSample)
{
    char text[64];
    const auto end = bytesPerSample == 8 ? std::to_chars(text, text + sizeof text, test.DoubleForm).ptr
                                         : std::to_chars(text, text + sizeof text, test.SingleForm).ptr;
    return std::string(text, end);
}

}  // namespace skeldra
