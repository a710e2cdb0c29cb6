// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Where a sample lies in the file. All offset arithmetic is here, in 64 bits
// with overflow checks, because band images and whole files can exceed 2 GiB.
#include <cstdint>
#include <string>

#include "port/FormState.h"

namespace skeldra {

struct BandStrides {
    int64_t InnerStepBytes = 0;
    int64_t OuterStepBytes = 0;
};

// The pads, gap and line count that the structure uses; unused ones are ignored.
struct BandPadding {
    int32_t bandPad = 0;
    int32_t linePad = 0;
    int32_t gap = 0;
    int32_t lines = 0;
};

// Samples and lines of one tile; both 0 when the bands are stored in lines.
struct TileSize {
    int32_t samples = 0;
    int32_t lines = 0;
};

// The strides of a structure for lines of numSamples samples of
// bytesPerSample bytes (one line of one band, without any pad). With tiles,
// the inner step is a row of tiles and the outer one a band image (gap
// included); tiles go with "None" or BSQ and no line pad, and are both 0 or
// both 1 or more, else an Error says which.
BandStrides bandStrides(BandStructure structure, int32_t numSamples, int32_t bytesPerSample,
                        int32_t numBands, const BandPadding& padding, TileSize tiles = {});

// Why tiles cannot go with this structure and pads; empty when they can
// (and without tiles).
std::string tileProblem(BandStructure structure, const BandPadding& padding, TileSize tiles);

// Where a tiled band's bytes lie: tiles of tileLineBytes × TileLines bytes,
// tilesAcross of them in a row of tiles, the edge tiles stored whole.
struct TileGeometry {
    int64_t tileLineBytes = 0;
    int64_t tileBytes = 0;
    int64_t tilesAcross = 0;
};
inline bool isTiled(const RasterLayout& layout) { return layout.TileSamples > 0 && layout.TileLines > 0; }
TileGeometry tileGeometry(const RasterLayout& layout);

// Tiles that cover `count` samples or lines (the last one partly).
int64_t tilesCovering(int64_t count, int32_t tileSize);

// Byte offset after the header of a sample; line, band and sample are 1-based.
int64_t sampleOffset(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample);

// Byte position in the file: HeaderBytes + sampleOffset.
int64_t samplePosition(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample);

// Bytes from one sample of a line to the next sample of the same line and
// band (within one tile of a tiled layout).
int64_t sampleStride(const RasterLayout& layout);

// Samples from `sample` (1-based) to the end of its line within its tile,
// that one included; no limit (INT32_MAX) without tiles.
int32_t samplesToTileEdge(const RasterLayout& layout, int32_t sample);

}  // namespace skeldra
