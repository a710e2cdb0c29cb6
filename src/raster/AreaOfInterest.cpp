// SPDX-License-Identifier: BSD-3-Clause
#include "raster/AreaOfInterest.h"

#include <stdexcept>

namespace skeldra {

AreaOfInterest readAreaOfInterest(WindowPort& port, std::initializer_list<Box> order)
{
    AreaOfInterest area;
    for (Box box : order) {
        const int32_t value = port.IntegerValue(box);
        switch (box) {
        case Box::StartLine: area.StartLine = value; break;
        case Box::EndLine: area.EndLine = value; break;
        case Box::StartSample: area.StartSample = value; break;
        case Box::EndSample: area.EndSample = value; break;
        case Box::OriginSample: area.OriginSample = value; break;
        case Box::BandNum: area.Band = value; break;
        default: throw std::logic_error("not a box of the area of interest");
        }
    }
    return area;
}

}  // namespace skeldra
