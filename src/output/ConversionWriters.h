// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The per-sample work of the conversion: a gray level byte per sample for
// the BMP file, a formatted value per sample for the text file. Both write
// through the output file's buffer and keep no row in memory.
#include <cstdint>
#include <optional>
#include <vector>

#include "output/AtomicOutputFile.h"
#include "output/GrayMapping.h"
#include "output/RealGrayLevels.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"

namespace skeldra {

// A row in memory, for encoders that take whole rows (PNG): the same calls
// as the output file's, so that one gray writer serves both.
class RowBuffer {
public:
    explicit RowBuffer(size_t capacity) { bytes_.reserve(capacity); }
    uint8_t* append(size_t n)
    {
        bytes_.resize(bytes_.size() + n);
        return bytes_.data() + bytes_.size() - n;
    }
    void put(uint8_t byte) { bytes_.push_back(byte); }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    void clear() { bytes_.clear(); }

private:
    std::vector<uint8_t> bytes_;
};

// Gray levels of the BMP mapping, one byte per sample, each row followed by
// its pad bytes. Sink: AtomicOutputFile (the BMP file) or RowBuffer.
template <typename Sink>
class GrayRowWriter {
public:
    GrayRowWriter(Sink& out, const GrayMapping& mapping, const NonDataTest& test,
                  int32_t bytesPerSample, int32_t rowPadBytes);

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
    void value(long double value, bool isReal, bool ignoreNonData);
    void endRow();

private:
    template <typename Real>
    void realRun(const RawRun& run, bool swap, bool ignoreNonData, uint8_t* levels);
    template <typename Real>
    const RealGrayLevels<Real>& realLevels();

    Sink& out_;
    GrayMapping mapping_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    int32_t rowPadBytes_;
    GrayTable table_;
    // Made at the first run of real samples: the steps cost some thousand GrayLevels.
    std::optional<RealGrayLevels<float>> singleLevels_;
    std::optional<RealGrayLevels<double>> doubleLevels_;
};

using BmpRowWriter = GrayRowWriter<AtomicOutputFile>;
extern template class GrayRowWriter<AtomicOutputFile>;
extern template class GrayRowWriter<RowBuffer>;

// The levels of the BMP, a row at a time, for encoders of whole rows.
class Gray8RowWriter {
public:
    Gray8RowWriter(const GrayMapping& mapping, const NonDataTest& test, int32_t bytesPerSample, int32_t width)
        : row_(static_cast<size_t>(width)), levels_(row_, mapping, test, bytesPerSample, 0)
    {
    }
    void run(const RawRun& run, SampleFormat format, bool ignore) { levels_.run(run, format, ignore); }
    void value(long double v, bool isReal, bool ignore) { levels_.value(v, isReal, ignore); }
    void endRow() {}
    void clear() { row_.clear(); }
    const uint8_t* row() const { return row_.data(); }

private:
    RowBuffer row_;
    GrayRowWriter<RowBuffer> levels_;
};

class TextRowWriter {
public:
    TextRowWriter(AtomicOutputFile& out, long double dataMin, const NonDataTest& test,
                  int32_t bytesPerSample, int32_t width);

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
    void value(long double value, bool isReal, bool ignoreNonData);
    void endRow();

private:
    void writeInteger(int64_t value);
    template <typename T>
    void integerRun(const RawRun& run, bool swap, bool ignoreNonData);

    AtomicOutputFile& out_;
    long double dataMin_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    int32_t width_;
    int32_t valuesInLine_ = 0;
};

}  // namespace skeldra
