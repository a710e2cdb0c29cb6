// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The area of interest that the statistics, the conversion and the preview
// read: 1-based inclusive lines and samples of one band, each row turned
// about an origin sample (which the statistics do not use).
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "base/Checked.h"
#include "base/Errors.h"
#include "port/WindowPort.h"

namespace skeldra {

struct AreaOfInterest {
    int32_t StartLine = 1;
    int32_t EndLine = 1;
    int32_t StartSample = 1;
    int32_t EndSample = 1;
    int32_t OriginSample = 1;
    int32_t Band = 1;

    // The origin sample when it lies in the row, else the start sample.
    int32_t Origin() const
    {
        return OriginSample >= StartSample && OriginSample <= EndSample ? OriginSample : StartSample;
    }
    int32_t Width() const { return sub32(add32(EndSample, 1), StartSample); }
    int32_t Height() const { return sub32(add32(EndLine, 1), StartLine); }

    // A row holds Origin .. EndSample, then StartSample .. Origin - 1; both
    // parts as inclusive ranges (the second one empty when Origin is the start).
    std::pair<int64_t, int64_t> firstPart() const { return {Origin(), EndSample}; }
    std::pair<int64_t, int64_t> secondPart() const { return {StartSample, int64_t{Origin()} - 1}; }
};

// Reads the area boxes in the order given (each operation has its own, and
// the order shows in the messages of bad entries). Boxes not listed keep 1.
AreaOfInterest readAreaOfInterest(WindowPort& port, std::initializer_list<Box> order);

// Rows of no sample have nothing to draw; the message says which box is wrong.
inline void refuseEmptyRows(const AreaOfInterest& area)
{
    if (area.Width() < 1) throw Error("The end sample lies before the start sample");
}

}  // namespace skeldra
