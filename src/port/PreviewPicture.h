// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A 24-bit picture for the preview window: rows from the top, three bytes a
// pixel in the order blue, green, red.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "port/Controls.h"
#include "port/FormState.h"

namespace skeldra {

// What the picture shows, as it was read: the area and step of the size rule,
// the file and the layout. It lets the preview window name the line and
// sample under a pixel and read the value there after the boxes have changed.
struct PreviewSource {
    int32_t StartLine = 1;
    int32_t EndLine = 1;
    int32_t StartSample = 1;
    int32_t EndSample = 1;
    int32_t OriginSample = 1;  // as typed; the row starts at the effective origin
    int32_t Band = 1;
    long double SampleStep = 1;
    std::string InputFilename;
    RasterLayout Layout;
    Choice DataType = Choice::UnsignedInteger;  // one of the "Data Format" buttons
    bool ReverseBytes = false;
    // A colour composite: the bands of red, green and blue (Band unused).
    bool Rgb = false;
    std::array<int32_t, 3> RgbBands{};
};

struct PreviewPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Bgr;  // Width * Height * 3 bytes, row 0 first
    PreviewSource Source;

    uint8_t* row(int32_t r) { return Bgr.data() + static_cast<size_t>(r) * Width * 3; }
    const uint8_t* row(int32_t r) const { return Bgr.data() + static_cast<size_t>(r) * Width * 3; }
};

}  // namespace skeldra
