#include "raster/Strides.h"

#include "base/Checked.h"

namespace skeldra {

BandStrides bandStrides(BandStructure structure, int32_t numSamples, int32_t bytesPerSample,
                        int32_t numBands, const BandPadding& padding)
{
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
