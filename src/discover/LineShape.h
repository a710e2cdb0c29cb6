// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Within a record: which bytes are the samples of a line and which are pads
// (byte columns unlike image data: constant or noisy from line to line), and
// where a line starts (the jump from one line's end to the next line's
// start).
#include <cstdint>
#include <optional>
#include <vector>

#include "discover/SampleCodes.h"

namespace skeldra {

struct LineShape {
    int64_t recordBytes = 0;
    int64_t lineStart = 0;    // file position of the first sample of some line
    int64_t lineSamples = 0;  // samples of a line, all bands of BIL and BIP
    int64_t pad = 0;          // recordBytes - lineSamples × width
    double lineChange = 0;    // mean code difference from a line to the next
    double sampleChange = 0;  // mean code difference between neighbouring samples
    bool fromFileSize = false;  // the line start agrees with the file's end
    // Without a pad: where a sample differs from those before it far more
    // than is usual in the record, as a line's end meeting the next start.
    std::optional<int64_t> jumpStart;
    // Per byte of the record from lineStart: mean code difference between
    // the sample there and the one before it.
    std::vector<double> step;
};

// Empty when the window holds fewer than four records or no sample column
// behaves like image data.
// `residue`: the byte of a record, counted from codes' first byte, where
// samples start modulo the width, as the encoding's reading found it; every
// other alignment is tried too, and wins if its samples hold a longer line.
// `wholeRecord`: the line takes the whole record but for a single block of
// columns that change unlike image data, whatever the other columns look
// like.
std::optional<LineShape> lineShape(const SampleCodes& codes, int64_t recordBytes, int32_t width, int32_t residue,
                                   int64_t fileSize, bool wholeRecord = false);

// Where within a record of `recordBytes` a position `offset` bytes from a
// record's start lies, for offsets before it too.
inline int64_t placeInRecord(int64_t offset, int64_t recordBytes)
{
    return (offset % recordBytes + recordBytes) % recordBytes;
}

// The first line start at or after `from`, lines starting every
// `recordBytes` from `lineStart`.
int64_t firstLineFrom(int64_t lineStart, int64_t recordBytes, int64_t from);

// The shape's changes measured again in other codes of the same window,
// the lines staying where they are: after the samples are read in another
// encoding.
void remeasureChanges(LineShape& shape, const SampleCodes& codes, int32_t width);

}  // namespace skeldra
