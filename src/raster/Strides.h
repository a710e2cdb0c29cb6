#pragma once
// Where a sample lies in the file. All offset arithmetic is here, in 64 bits
// with overflow checks, because band images and whole files can exceed 2 GiB.
#include <cstdint>

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

// The strides of a structure for lines of numSamples samples of
// bytesPerSample bytes (one line of one band, without any pad).
BandStrides bandStrides(BandStructure structure, int32_t numSamples, int32_t bytesPerSample,
                        int32_t numBands, const BandPadding& padding);

// Byte offset after the header of a sample; line, band and sample are 1-based.
int64_t sampleOffset(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample);

// Byte position in the file: HeaderBytes + sampleOffset.
int64_t samplePosition(const RasterLayout& layout, int32_t line, int32_t band, int32_t sample);

// Bytes from one sample of a line to the next sample of the same line and band.
int64_t sampleStride(const RasterLayout& layout);

}  // namespace skeldra
