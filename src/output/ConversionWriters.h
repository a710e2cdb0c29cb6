#pragma once
// The per-sample work of the conversion: a gray level byte per sample for
// the BMP file, a formatted value per sample for the text file. Both write
// through the output file's buffer and keep no row in memory.
#include <cstdint>
#include <optional>

#include "output/AtomicOutputFile.h"
#include "output/GrayMapping.h"
#include "output/RealGrayLevels.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"

namespace skeldra {

class BmpRowWriter {
public:
    BmpRowWriter(AtomicOutputFile& out, const GrayMapping& mapping, const NonDataTest& test,
                 int32_t bytesPerSample, int32_t rowPadBytes);

    void run(const RawRun& run, SampleFormat format, bool ignoreNonData);
    void value(long double value, bool isReal, bool ignoreNonData);
    void endRow();

private:
    template <typename Real>
    void realRun(const RawRun& run, bool swap, bool ignoreNonData, uint8_t* levels);
    template <typename Real>
    const RealGrayLevels<Real>& realLevels();

    AtomicOutputFile& out_;
    GrayMapping mapping_;
    NonDataTest test_;
    int32_t bytesPerSample_;
    int32_t rowPadBytes_;
    GrayTable table_;
    // Made at the first run of real samples: the steps cost some thousand GrayLevels.
    std::optional<RealGrayLevels<float>> singleLevels_;
    std::optional<RealGrayLevels<double>> doubleLevels_;
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
