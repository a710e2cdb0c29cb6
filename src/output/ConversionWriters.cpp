// SPDX-License-Identifier: BSD-3-Clause
#include "output/ConversionWriters.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "base/Rounding.h"
#include "raster/RealFormat.h"

namespace skeldra {

template <typename Sink>
GrayRowWriter<Sink>::GrayRowWriter(Sink& out, const GrayMapping& mapping, const NonDataTest& test,
                           int32_t bytesPerSample, int32_t rowPadBytes)
    : out_(out), mapping_(mapping), test_(test), bytesPerSample_(bytesPerSample), rowPadBytes_(rowPadBytes),
      table_(mapping, test, bytesPerSample)
{
}

template <typename Sink>
void GrayRowWriter<Sink>::run(const RawRun& run, SampleFormat format, bool ignoreNonData)
{
    uint8_t* levels = out_.append(static_cast<size_t>(run.count));
    const uint8_t* bytes = run.bytes;
    const int64_t stride = run.stride;
    if (format.kind == SampleKind::U8) {
        const uint8_t* table = table_.levels(format, ignoreNonData);
        for (int32_t i = 0; i < run.count; ++i) levels[i] = table[bytes[i * stride]];
    } else if (GrayTable::covers(format.kind)) {
        // The table is indexed by the two bytes as they lie, low byte first.
        const uint8_t* table = table_.levels(format, ignoreNonData);
        for (int32_t i = 0; i < run.count; ++i) levels[i] = table[loadSample<uint16_t>(bytes + i * stride, false)];
    } else if (format.kind == SampleKind::F32) {
        realRun<float>(run, format.mostSignificantFirst, ignoreNonData, levels);
    } else if (format.kind == SampleKind::F64) {
        realRun<double>(run, format.mostSignificantFirst, ignoreNonData, levels);
    } else {
        for (int32_t i = 0; i < run.count; ++i) {
            const long double v = decodeSample(bytes + i * stride, format);
            levels[i] = GrayLevel(mapping_, v, IsNonDataValue(test_, v, bytesPerSample_, ignoreNonData));
        }
    }
}

template <typename Sink>
template <typename Real>
const RealGrayLevels<Real>& GrayRowWriter<Sink>::realLevels()
{
    if constexpr (sizeof(Real) == 4) {
        if (!singleLevels_) singleLevels_.emplace(mapping_);
        return *singleLevels_;
    } else {
        if (!doubleLevels_) doubleLevels_.emplace(mapping_);
        return *doubleLevels_;
    }
}

namespace {

// NaNs and non-data samples are drawn like the minimum. The non-data form
// compared is the one of the samples' width, as in IsNonDataValue.
template <typename Real, bool Swap>
void realLevelsOf(const RealGrayLevels<Real>& table, const RawRun& run, bool testNonData, Real nonData,
                  uint8_t minimumLevel, uint8_t* levels)
{
    for (int32_t i = 0; i < run.count; ++i) {
        const Real v = loadSample<Real>(run.bytes + i * run.stride, Swap);
        levels[i] = v != v || (testNonData && v == nonData) ? minimumLevel : table.level(v);
    }
}

}  // namespace

template <typename Sink>
template <typename Real>
void GrayRowWriter<Sink>::realRun(const RawRun& run, bool swap, bool ignoreNonData, uint8_t* levels)
{
    const RealGrayLevels<Real>& table = realLevels<Real>();
    // 4-byte reals compare with the single form, 8-byte ones with the double form.
    const Real nonData = sizeof(Real) == 8 ? static_cast<Real>(test_.DoubleForm) : static_cast<Real>(test_.SingleForm);
    const bool testNonData = ignoreNonData;
    const uint8_t minimumLevel = GrayLevel(mapping_, 0, true);
    if (swap)
        realLevelsOf<Real, true>(table, run, testNonData, nonData, minimumLevel, levels);
    else
        realLevelsOf<Real, false>(table, run, testNonData, nonData, minimumLevel, levels);
}

template <typename Sink>
void GrayRowWriter<Sink>::value(long double value, bool, bool ignoreNonData)
{
    out_.put(GrayLevel(mapping_, value, IsNonDataValue(test_, value, bytesPerSample_, ignoreNonData)));
}

template <typename Sink>
void GrayRowWriter<Sink>::endRow()
{
    for (int32_t i = 0; i < rowPadBytes_; ++i) out_.put(0);
}

template class GrayRowWriter<AtomicOutputFile>;
template class GrayRowWriter<RowBuffer>;

TextRowWriter::TextRowWriter(AtomicOutputFile& out, long double dataMin, const NonDataTest& test,
                             int32_t bytesPerSample, int32_t width)
    : out_(out), dataMin_(dataMin), test_(test), bytesPerSample_(bytesPerSample), width_(width)
{
}

namespace {

// The non-data value as an integer sample could equal it: a whole number
// that fits; a real form with a fraction, an infinity or a NaN equals no integer.
std::optional<int64_t> integerNonData(float form)
{
    if (!(std::fabs(form) < 0x1p62f) || std::trunc(form) != form) return std::nullopt;
    return static_cast<int64_t>(form);
}

}  // namespace

// Integer samples are whole numbers, which the rounding of the general path
// leaves as they are; they are formatted straight from the integer into a
// local block, which goes to the file in one copy.
template <typename T>
void TextRowWriter::integerRun(const RawRun& run, bool swap, bool ignoreNonData)
{
    const std::optional<int64_t> nonData = ignoreNonData ? integerNonData(test_.SingleForm) : std::nullopt;
    constexpr size_t blockBytes = 16384;
    constexpr size_t longestValue = 12;  // sign, ten digits and the tab
    char block[blockBytes];
    size_t used = 0;
    for (int32_t i = 0; i < run.count; ++i) {
        const int64_t v = loadSample<T>(run.bytes + i * run.stride, swap);
        if (nonData && v == *nonData) {
            out_.write(reinterpret_cast<const uint8_t*>(block), used);
            used = 0;
            value(static_cast<long double>(v), false, ignoreNonData);
            continue;
        }
        if (used + longestValue > blockBytes) {
            out_.write(reinterpret_cast<const uint8_t*>(block), used);
            used = 0;
        }
        used = static_cast<size_t>(std::to_chars(block + used, block + blockBytes, v).ptr - block);
        if (++valuesInLine_ != width_) block[used++] = '\t';
    }
    out_.write(reinterpret_cast<const uint8_t*>(block), used);
}

void TextRowWriter::run(const RawRun& run, SampleFormat format, bool ignoreNonData)
{
    const bool swap = format.mostSignificantFirst;
    switch (format.kind) {
    case SampleKind::U8: return integerRun<uint8_t>(run, swap, ignoreNonData);
    case SampleKind::U16: return integerRun<uint16_t>(run, swap, ignoreNonData);
    case SampleKind::I16: return integerRun<int16_t>(run, swap, ignoreNonData);
    case SampleKind::U32: return integerRun<uint32_t>(run, swap, ignoreNonData);
    case SampleKind::I32: return integerRun<int32_t>(run, swap, ignoreNonData);
    default: break;
    }
    const bool isReal = isRealKind(format.kind);
    for (int32_t i = 0; i < run.count; ++i) value(decodeSample(run.bytes + i * run.stride, format), isReal, ignoreNonData);
}

void TextRowWriter::value(long double value, bool isReal, bool ignoreNonData)
{
    // A non-data sample is written as "Min data", in the form of its own sample.
    if (IsNonDataValue(test_, value, bytesPerSample_, ignoreNonData)) value = dataMin_;
    if (isReal)
        out_.write(FormatRealValue(value, bytesPerSample_));
    else
        writeInteger(roundToInt64(value));
    if (++valuesInLine_ != width_) out_.put('\t');
}

void TextRowWriter::writeInteger(int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.write(reinterpret_cast<const uint8_t*>(digits), static_cast<size_t>(end - digits));
}

void TextRowWriter::endRow()
{
    out_.put('\r');
    out_.put('\n');
    valuesInLine_ = 0;
}

}  // namespace skeldra
