// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Reading samples of the input file as the window's layout describes them.
// Every operation opens the input file afresh through one of these and
// closes it at its end; nothing is cached between operations.
//
// Failure: the I/O errors of ByteSource, and "Integer overflow" for a
// position outside the 64-bit range.
#include <cstdint>
#include <limits>
#include <optional>

#include "port/WindowPort.h"
#include "raster/ByteSource.h"
#include "raster/SampleDecode.h"
#include "raster/TileBlocks.h"

namespace skeldra {

// The data-type buttons and "Reverse byte order" as they stand now, for
// samples of the given width.
SampleFormat currentSampleFormat(WindowPort& port, int32_t bytesPerSample);

// A run of consecutive samples of one line, as raw bytes in the buffer.
struct RawRun {
    const uint8_t* bytes = nullptr;
    int64_t stride = 0;  // bytes from one sample to the next
    int32_t count = 0;   // 0: the next sample cannot be read in bulk
};

class SampleReader {
public:
    // Opens port.state.InputFilename and takes the layout as it stands.
    explicit SampleReader(WindowPort& port);

    // One sample, 1-based; reads the controls afresh and sets LastValueIsReal
    // for real samples (4-byte "Real" and all 8-byte samples).
    long double ReadDataValue(int32_t line, int32_t band, int32_t sample);

    // Up to maxCount samples of a line from `sample` on, through the buffer.
    // A run stops short of the end of the file, of a position before its
    // start, of the buffer's size and of the edge of a tile; count 0 means:
    // read the next sample with ReadDataValue, which raises the exact error
    // or reads it.
    RawRun viewRun(int32_t line, int32_t band, int32_t sample, int32_t maxCount);

    // The samples an operation is about to read, line after line, of a
    // tiled layout: blocks of up to maxLines lines of the tiles holding
    // them are then read whole (see TileBlocks). Nothing for lines.
    void expectRows(int32_t band, int32_t firstSample, int32_t lastSample,
                    int64_t maxLines = std::numeric_limits<int64_t>::max());

    // Decodes a run into values and sets LastValueIsReal as ReadDataValue would.
    void decodeRun(const RawRun& run, SampleFormat format, long double* values);

    const RasterLayout& layout() const { return layout_; }
    WindowPort& port() { return port_; }
    ByteSource& source() { return source_; }
    void close() { source_.close(); }

private:
    WindowPort& port_;
    RasterLayout layout_;
    ByteSource source_;
    std::optional<TileBlocks> tiles_;
};

}  // namespace skeldra
