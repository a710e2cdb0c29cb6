// SPDX-License-Identifier: BSD-3-Clause
#include "raster/TileBlocks.h"

#include <algorithm>

#include "base/Checked.h"
#include "raster/Strides.h"

namespace skeldra {

TileBlocks::TileBlocks(const RasterLayout& layout, ByteSource& source, int32_t band, int32_t firstSample,
                       int32_t lastSample, int64_t maxLines)
    : layout_(layout), source_(source), band_(band)
{
    if (!isTiled(layout) || firstSample < 1 || lastSample < firstSample || maxLines < 1) return;
    try {
        const TileGeometry g = tileGeometry(layout);
        firstColumn_ = (int64_t{firstSample} - 1) / layout.TileSamples;
        const int64_t lastColumn = std::min(g.tilesAcross - 1, (int64_t{lastSample} - 1) / layout.TileSamples);
        if (lastColumn < firstColumn_ || g.tileLineBytes <= 0) return;
        const int64_t lineBytes = mul64(lastColumn - firstColumn_ + 1, g.tileLineBytes);
        linesPerBlock_ = std::min({int64_t{layout.TileLines}, maxLines, blockBytes / lineBytes});
        if (linesPerBlock_ < 1) return;
        tileLineBytes_ = g.tileLineBytes;
        columns_ = lastColumn - firstColumn_ + 1;
    } catch (const Error&) {
        columns_ = 0;  // sizes beyond 64 bits: the samples read on their own report it
    }
}

TileBlocks::Span TileBlocks::find(int32_t line, int32_t band, int32_t sample)
{
    if (columns_ == 0 || band != band_ || line < 1 || sample < 1) return {};
    if (line != line_) placeLine(line);
    if (!loaded_) return {};
    // Runs go along the line: the next one mostly starts a tile.
    int64_t column = nextColumn_;
    int64_t sampleInTile = 0;
    if (sample != nextSample_) {
        column = (int64_t{sample} - 1) / layout_.TileSamples;
        sampleInTile = int64_t{sample} - 1 - column * layout_.TileSamples;
    }
    if (column < firstColumn_ || column >= firstColumn_ + columns_) return {};
    nextColumn_ = column + 1;
    nextSample_ = nextColumn_ * layout_.TileSamples + 1;
    const int64_t offset = lineOffset_ + (column - firstColumn_) * tileLineBytes_ + sampleInTile * layout_.BytesPerSample;
    return {buffer_.data() + offset, static_cast<int32_t>(layout_.TileSamples - sampleInTile)};
}

// The block holding the line, read unless it is held already.
void TileBlocks::placeLine(int32_t line)
{
    const int64_t l = int64_t{line} - 1;
    const int64_t tileRow = l / layout_.TileLines;
    const int64_t lineInTile = l % layout_.TileLines;
    const int64_t blockStart = lineInTile / linesPerBlock_ * linesPerBlock_;
    if (tileRow != tileRow_ || blockStart != blockStart_) loaded_ = load(tileRow, blockStart);
    lineOffset_ = (lineInTile - blockStart_) * columns_ * tileLineBytes_;
    nextSample_ = 0;
    line_ = line;
}

bool TileBlocks::load(int64_t tileRow, int64_t blockStart)
{
    loaded_ = false;  // until the whole block is read
    line_ = 0;        // nor is any line placed (a failed read must not leave one)
    tileRow_ = tileRow;
    blockStart_ = blockStart;
    blockLines_ = std::min(linesPerBlock_, layout_.TileLines - blockStart);
    return readBlock(tileRow * layout_.TileLines + blockStart + 1, blockLines_);
}

// Each column's lines of the block lie together in the file, and a block
// of whole tiles is one stretch of the file; the lines of the tiles go
// straight into the lines of the block, so that a line's runs lie one after
// another in memory, as the lines of a file without tiles do.
bool TileBlocks::readBlock(int64_t firstLine, int64_t lines)
{
    const int64_t columnBytes = lines * tileLineBytes_;
    std::vector<int64_t> positions;
    try {
        for (int64_t c = 0; c < columns_; ++c)
            positions.push_back(samplePosition(layout_, static_cast<int32_t>(firstLine), band_,
                                               static_cast<int32_t>((firstColumn_ + c) * layout_.TileSamples + 1)));
    } catch (const Error&) {
        return false;  // a position beyond 64 bits: the sample read on its own reports it
    }
    for (const int64_t position : positions)
        if (position < 0 || source_.available(position) < columnBytes) return false;
    buffer_.resize(static_cast<size_t>(columns_ * columnBytes));
    const int64_t lineBytes = columns_ * tileLineBytes_;
    const auto piecesOf = [&](int64_t c, std::vector<ByteSource::Piece>& pieces) {
        for (int64_t l = 0; l < lines; ++l)
            pieces.push_back({buffer_.data() + l * lineBytes + c * tileLineBytes_, static_cast<size_t>(tileLineBytes_)});
    };
    std::vector<ByteSource::Piece> pieces;
    if (lines == layout_.TileLines) {
        for (int64_t c = 0; c < columns_; ++c) piecesOf(c, pieces);
        source_.readPieces(positions.front(), pieces);
        return true;
    }
    for (int64_t c = 0; c < columns_; ++c) {
        pieces.clear();
        piecesOf(c, pieces);
        source_.readPieces(positions[static_cast<size_t>(c)], pieces);
    }
    return true;
}

}  // namespace skeldra
