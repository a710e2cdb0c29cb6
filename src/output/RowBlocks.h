// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Keeps the rows an operation is about to read in the reader's buffer. The
// buffer fills forward from the position asked for, so without this, rows
// read from the bottom up, and the second part of rows turned about their
// origin, would each refill the whole buffer for a few bytes. Rows of a
// tiled layout are held by the reader itself, a row of tiles at a time.
//
// Failure: a block is only asked for when every byte of it lies in the file,
// so no error is raised earlier than reading the samples would raise it.
#include <cstdint>
#include <limits>

#include "raster/AreaOfInterest.h"
#include "raster/SampleReader.h"

namespace skeldra {

class RowBlocks {
public:
    enum class Direction { Up, Down };  // towards lower or higher line numbers

    // At most maxRows rows a block: 1 for rows read far apart (a reduced
    // preview), which then cost one read of their own bytes each.
    RowBlocks(SampleReader& reader, const AreaOfInterest& area, Direction direction,
              int64_t maxRows = std::numeric_limits<int64_t>::max());

    // Blocks that hold the rows of every band from area.Band to lastBand, for
    // operations that read several bands of a row through one reader: each
    // band's blocks are then the same bytes, read once.
    RowBlocks(SampleReader& reader, const AreaOfInterest& area, int32_t lastBand, Direction direction,
              int64_t maxRows = std::numeric_limits<int64_t>::max());

    // Makes sure the buffer holds the whole of `line`, and as many of the
    // rows that follow it in the direction of travel as fit.
    void ensure(int32_t line);

private:
    bool load(int64_t low, int64_t high);

    SampleReader& reader_;
    const AreaOfInterest& area_;
    Direction direction_;
    int32_t lastBand_;
    int64_t rowsPerBlock_ = 0;  // 0: rows too wide, or a layout without a plain line order
    int64_t low_ = 1;
    int64_t high_ = 0;  // the lines held: low_ .. high_ (none at first)
};

}  // namespace skeldra
