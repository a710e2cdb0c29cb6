// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Row writers of the conversions that hand whole rows to an encoder: 16-bit
// gray levels for a 16-bit PNG, and the raw values in their own sample type
// for a TIFF. Each keeps one row, which the conversion takes after endRow().
#include <cstdint>
#include <vector>

#include "output/GrayMapping.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"

namespace skeldra {

class Gray16RowWriter {
public:
    Gray16RowWriter(const GrayMapping& mapping, const NonDataTest& test, int32_t bytesPerSample, int32_t width);

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
    void value(long double value, bool isReal, bool ignoreNonData);
    void endRow() {}

    const uint16_t* row() const { return row_.data(); }
    void clear() { row_.clear(); }

private:
    const uint16_t* table(SampleFormat format, bool ignoreNonData);

    GrayMapping mapping_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    std::vector<uint16_t> row_;
    // The levels of every 8- or 16-bit sample, indexed by its bytes as they
    // lie (low byte first), made again when the format or the ignore box changes.
    std::vector<uint16_t> table_;
    SampleFormat tableFormat_{};
    bool tableIgnore_ = false;
};

// The samples as they are, in the machine's byte order, in the sample type
// the file was begun with. Should the data type change while the conversion
// runs, values are converted to that type, saturating.
class RawRowWriter {
public:
    RawRowWriter(SampleKind kind, int32_t width);

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
    void value(long double value, bool isReal, bool ignoreNonData);
    void endRow() {}

    const uint8_t* row() const { return row_.data(); }
    void clear() { row_.clear(); }

private:
    SampleKind kind_;
    std::vector<uint8_t> row_;
};

}  // namespace skeldra
