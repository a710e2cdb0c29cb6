#pragma once
// A 24-bit picture for the preview window: rows from the top, three bytes a
// pixel in the order blue, green, red.
#include <cstdint>
#include <vector>

namespace skeldra {

struct PreviewPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Bgr;  // Width * Height * 3 bytes, row 0 first

    uint8_t* row(int32_t r) { return Bgr.data() + static_cast<size_t>(r) * Width * 3; }
    const uint8_t* row(int32_t r) const { return Bgr.data() + static_cast<size_t>(r) * Width * 3; }
};

}  // namespace skeldra
