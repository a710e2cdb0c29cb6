// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// One layout that Find Layout offers the user, in words and as a small gray
// picture, for the front ends to list without knowing how layouts are found.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skeldra {

// One byte per pixel, rows from the top; empty when nothing could be drawn.
struct GrayPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Gray;

    bool empty() const { return Gray.empty(); }
};

struct CandidateView {
    std::string layout;    // "517 samples x 900 lines, 16-bit big-endian signed integer, ..."
    std::string score;     // "0.83", from 0 to 1
    std::string evidence;  // one sentence
    GrayPicture picture;   // the preview of the layout with Auto stretch
    // The same preview drawn larger, for a closer look (empty when it fails);
    // drawn only when asked, as it reads more of the file.
    std::function<GrayPicture()> larger = {};
};

}  // namespace skeldra
