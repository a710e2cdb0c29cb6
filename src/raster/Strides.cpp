// SPDX-License-Identifier: BSD-3-Clause
#include "raster/Strides.h"

#include <limits>
#include <string>

#include "base/Checked.h"

namespace skeldra {

namespace {

// Division rounding down, so that line 0 lies in the row of tiles above
// line 1 as it lies in the line above it.
int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

BandStrides tiledStrides(BandStructure structure, int32_t numSamples, int32_t bytesPerSample,
                         const BandPadding& padding, TileSize tiles)
{
    if (const std::string problem = tileProblem(structure, padding, tiles); !problem.empty()) throw Error(problem);
    const int64_t tileBytes = mul64(mul64(tiles.samples, bytesPerSample), tiles.lines);
    const int64_t rowOfTiles = mul64(tilesCovering(numSamples, tiles.samples), tileBytes);
    if (structure == BandStructure::None) return {rowOfTiles, rowOfTiles};
    return {rowOfTiles, add64(padding.gap, mul64(tilesCovering(padding.lines, tiles.lines), rowOfTiles))};
}

int64_t tiledOffset(const RasterLayout& layout, int64_t l, int64_t b, int64_t s)
{
    const TileGeometry g = tileGeometry(layout);
    const int64_t tileRow = floorDiv(l, layout.TileLines);
    const int64_t tileColumn = floorDiv(s, layout.TileSamples);
    const int64_t lineInTile = l - tileRow * layout.TileLines;
    const int64_t sampleInTile = s - tileColumn * layout.TileSamples;
    const int64_t band = layout.Structure == BandStructure::None ? 0 : mul64(b, layout.OuterStepBytes);
    const int64_t tile = add64(add64(band, mul64(tileRow, layout.InnerStepBytes)), mul64(tileColumn, g.tileBytes));
    return add64(tile, add64(mul64(lineInTile, g.tileLineBytes), mul64(sampleInTile, layout.BytesPerSample)));
}

}  // namespace

std::string tileProblem(BandStructure structure, const BandPadding& padding, TileSize tiles)
{
    if (tiles.samples == 0 && tiles.lines == 0) return "";
    if (tiles.samples < 1 || tiles.lines < 1)
        return "Tile samples and Tile lines must both be 0 (no tiles) or both 1 or more";
    if (structure == BandStructure::BIL || structure == BandStructure::BIP)
        return "Tiles are stored band after band: choose the band structure None or BSQ";
    if (structure == BandStructure::BSQ && padding.linePad != 0) return "Tiled bands have no line pad: set Line pad to 0";
    return "";
}

int64_t tilesCovering(int64_t count, int32_t tileSize)
{
    return count <= 0 ? 0 : (count - 1) / tileSize + 1;
}

TileGeometry tileGeometry(const RasterLayout& layout)
{
    TileGeometry g;
    g.tileLineBytes = mul64(layout.TileSamples, layout.BytesPerSample);
    g.tileBytes = mul64(g.tileLineBytes, layout.TileLines);
    g.tilesAcross = tilesCovering(layout.NumSamples, layout.TileSamples);
    return g;
}

int32_t samplesToTileEdge(const RasterLayout& layout, int32_t sample)
{
    if (!isTiled(layout)) return std::numeric_limits<int32_t>::max();
    const int64_t s = int64_t{sample} - 1;
    return static_cast<int32_t>(layout.TileSamples - (s - floorDiv(s, layout.TileSamples) * layout.TileSamples));
}

BandStrides bandStrides(BandStructure structure, int32_t numSamples, int32_t bytesPerSample,
                        int32_t numBands, const BandPadding& padding, TileSize tiles)
{
    if (tiles.samples != 0 || tiles.lines != 0)
        return tiledStrides(structure, numSamples, bytesPerSample, padding, tiles);
    const int64_t lineBytes = mul64(numSamples, bytesPerSample);
    switch (structure) {
    case BandStructure::None:
        return {lineBytes, lineBytes};
    case BandStructure::BIL: {
        const int64_t inner = add64(lineBytes, padding.bandPad);
        return {inner, add64(padding.linePad, mul64(inner, numBands))};
    }
    case BandStructure::BIP:
        return {mul64(numBands, bytesPerSample), add64(padding.linePad, mul64(lineBytes, numBands))};
    case BandStructure::BSQ: {
        const int64_t inner = add64(lineBytes, padding.linePad);
        return {inner, add64(padding.gap, mul64(inner, padding.lines))};
    }
    }
    return {lineBytes, lineBytes};
}

int64_t sampleOffset(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample)
{
    const int64_t l = sub64(line, 1);
    const int64_t b = sub64(band, 1);
    const int64_t s = sub64(sample, 1);
    const int64_t bps = layout.BytesPerSample;
    if (isTiled(layout)) return tiledOffset(layout, l, b, s);
    switch (layout.Structure) {
    case BandStructure::None:
        return add64(mul64(l, layout.InnerStepBytes), mul64(s, bps));
    case BandStructure::BIL:
        return add64(add64(mul64(l, layout.OuterStepBytes), mul64(b, layout.InnerStepBytes)),
                     mul64(s, bps));
    case BandStructure::BIP:
        return add64(add64(mul64(l, layout.OuterStepBytes), mul64(s, layout.InnerStepBytes)),
                     mul64(b, bps));
    case BandStructure::BSQ:
        return add64(add64(mul64(b, layout.OuterStepBytes), mul64(l, layout.InnerStepBytes)),
                     mul64(s, bps));
    }
    return 0;
}

int64_t samplePosition(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample)
{
    return add64(layout.HeaderBytes, sampleOffset(layout, line, band, sample));
}

int64_t sampleStride(const RasterLayout& layout)
{
    return layout.Structure == BandStructure::BIP ? layout.InnerStepBytes : layout.BytesPerSample;
}

}  // namespace skeldra
