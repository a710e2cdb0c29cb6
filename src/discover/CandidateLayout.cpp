// SPDX-License-Identifier: BSD-3-Clause
#include "discover/CandidateLayout.h"

#include <limits>

#include "base/Checked.h"
#include "raster/SampleDecode.h"
#include "raster/Strides.h"

namespace skeldra {

namespace {

DataType dataType(DataFormat format)
{
    switch (format) {
    case DataFormat::UnsignedInteger: return DataType::Unsigned;
    case DataFormat::SignedInteger: return DataType::Signed;
    case DataFormat::Real: return DataType::Real;
    }
    return DataType::Unsigned;
}

int32_t box(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throwIntegerOverflow();
    return static_cast<int32_t>(value);
}

}  // namespace

double decodeValue(const uint8_t* bytes, const Encoding& encoding)
{
    // Layouts hold 8-bit samples unsigned; the search also reads them as
    // two's complement, where values about zero do not tear apart.
    if (encoding.bytes == 1 && encoding.format == DataFormat::SignedInteger) return static_cast<int8_t>(bytes[0]);
    const SampleFormat format{sampleKind(encoding.bytes, dataType(encoding.format)), encoding.msbFirst};
    return static_cast<double>(decodeSample(bytes, format));
}

std::string describeEncoding(const Encoding& encoding)
{
    const std::string bits = std::to_string(encoding.bytes * 8) + "-bit ";
    if (encoding.bytes == 1) return bits + "unsigned integer";
    const std::string order = encoding.msbFirst ? "big-endian " : "little-endian ";
    switch (encoding.format) {
    case DataFormat::UnsignedInteger: return bits + order + "unsigned integer";
    case DataFormat::SignedInteger: return bits + order + "signed integer";
    case DataFormat::Real: return bits + order + "real";
    }
    return bits;
}

RasterLayout rasterLayout(const CandidateLayout& layout)
{
    BandStructure structure = layout.structure;
    if (structure == BandStructure::None && layout.linePad != 0) structure = BandStructure::BSQ;
    const BandPadding padding{box(layout.bandPad), box(layout.linePad), box(layout.gap), box(layout.lines)};
    const int32_t bands = structure == BandStructure::None ? 1 : box(layout.bands);
    const TileSize tiles{box(layout.tileSamples), box(layout.tileLines)};
    const BandStrides strides =
        bandStrides(structure, box(layout.samplesPerLine), layout.encoding.bytes, bands, padding, tiles);
    RasterLayout raster;
    raster.TileSamples = tiles.samples;
    raster.TileLines = tiles.lines;
    raster.HeaderBytes = box(layout.headerBytes);
    raster.NumBands = bands;
    raster.NumSamples = box(layout.samplesPerLine);
    raster.BytesPerSample = layout.encoding.bytes;
    raster.Structure = structure;
    raster.InnerStepBytes = strides.InnerStepBytes;
    raster.OuterStepBytes = strides.OuterStepBytes;
    return raster;
}

int64_t layoutBytes(const CandidateLayout& layout)
{
    const RasterLayout raster = rasterLayout(layout);
    // Tiles are stored whole: the last band ends with its last row of tiles.
    if (isTiled(raster))
        return add64(mul64(raster.NumBands - 1, raster.OuterStepBytes),
                     mul64(tilesCovering(layout.lines, raster.TileLines), raster.InnerStepBytes));
    const int64_t last = sampleOffset(raster, box(layout.lines), raster.NumBands, raster.NumSamples);
    return add64(last, layout.encoding.bytes);
}

std::vector<std::string> layoutOptions(const CandidateLayout& layout)
{
    static const char* const formats[] = {"--unsigned", "--signed", "--real"};
    static const char* const structures[] = {"--none", "--bil", "--bip", "--bsq"};
    const RasterLayout raster = rasterLayout(layout);
    std::vector<std::string> options = {"--header-bytes", std::to_string(layout.headerBytes),
                                        "--samples",      std::to_string(layout.samplesPerLine),
                                        "--bits",         std::to_string(layout.encoding.bytes * 8)};
    if (layout.encoding.bytes > 1) options.push_back(formats[static_cast<int>(layout.encoding.format)]);
    if (layout.encoding.msbFirst && layout.encoding.bytes > 1) options.push_back("--msb");
    options.push_back(structures[static_cast<int>(raster.Structure)]);
    if (raster.Structure != BandStructure::None) {
        options.insert(options.end(), {"--bands", std::to_string(raster.NumBands), "--line-pad",
                                       std::to_string(layout.linePad)});
        if (raster.Structure == BandStructure::BIL && layout.bandPad != 0)
            options.insert(options.end(), {"--band-pad", std::to_string(layout.bandPad)});
        if (raster.Structure == BandStructure::BSQ && layout.gap != 0)
            options.insert(options.end(), {"--gap", std::to_string(layout.gap)});
    }
    options.insert(options.end(), {"--lines", std::to_string(layout.lines)});
    if (layout.tileSamples > 0)
        options.insert(options.end(), {"--tile-samples", std::to_string(layout.tileSamples), "--tile-lines",
                                       std::to_string(layout.tileLines)});
    return options;
}

}  // namespace skeldra
