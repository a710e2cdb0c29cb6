// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The tiles of the rows of tiles that an operation reads, held in memory.
// A line of a tiled band crosses every tile of its row of tiles, so reading
// it through the file's buffer would read the whole row of tiles again for
// each line. Instead a block of lines of every tile the operation's samples
// touch is read at once (the whole row of tiles when it fits), so each tile
// is read once per row of tiles, and the memory held stays within
// blockBytes whatever the width. The block holds the tiles' lines in the
// order of the picture's lines, so that the runs of a line, each within one
// tile, follow one another in memory.
//
// Failure: a block is read only when every byte of it lies in the file;
// otherwise find() holds nothing for its lines, and the reader reads those
// samples on their own, which raise the exact error. Reading a block
// raises the file's I/O errors.
#include <cstdint>
#include <vector>

#include "port/FormState.h"
#include "raster/ByteSource.h"

namespace skeldra {

class TileBlocks {
public:
    static constexpr int64_t blockBytes = int64_t{32} << 20;

    // Samples firstSample .. lastSample of `band`, at most maxLines lines a
    // block (1 for lines read far apart). The layout must be tiled.
    TileBlocks(const RasterLayout& layout, ByteSource& source, int32_t band, int32_t firstSample, int32_t lastSample,
               int64_t maxLines);

    struct Span {
        const uint8_t* bytes = nullptr;
        int32_t count = 0;  // samples from the one asked for to its tile's edge; 0: not held
    };

    // The sample's bytes and those after it within its tile's line, reading
    // the block that holds it when another is held.
    Span find(int32_t line, int32_t band, int32_t sample);

private:
    void placeLine(int32_t line);
    bool load(int64_t tileRow, int64_t blockStart);
    bool readBlock(int64_t firstLine, int64_t lines);

    const RasterLayout& layout_;
    ByteSource& source_;
    int32_t band_;
    int64_t firstColumn_ = 0;
    int64_t columns_ = 0;  // 0: nothing is held, ever
    int64_t linesPerBlock_ = 0;
    int64_t tileLineBytes_ = 0;
    std::vector<uint8_t> buffer_;
    // The block held: lines blockStart_ .. blockStart_ + blockLines_ - 1 of
    // the tiles of row tileRow_ (0-based), or none when blockLines_ is 0.
    int64_t tileRow_ = -1;
    int64_t blockStart_ = 0;
    int64_t blockLines_ = 0;
    bool loaded_ = false;  // false: the block could not be read whole
    // The line last asked for: where it starts in the block, and
    // the sample that starts the next tile after the last run found.
    int32_t line_ = 0;
    int64_t lineOffset_ = 0;
    int64_t nextSample_ = 0;
    int64_t nextColumn_ = 0;
};

}  // namespace skeldra
