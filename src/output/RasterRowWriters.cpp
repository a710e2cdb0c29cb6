// SPDX-License-Identifier: BSD-3-Clause
#include "output/RasterRowWriters.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "output/TiffFile.h"

namespace skeldra {

Gray16RowWriter::Gray16RowWriter(const GrayMapping& mapping, const NonDataTest& test, int32_t bytesPerSample,
                                 int32_t width)
    : mapping_(mapping), test_(test), bytesPerSample_(bytesPerSample)
{
    row_.reserve(static_cast<size_t>(width));
}

const uint16_t* Gray16RowWriter::table(SampleFormat format, bool ignoreNonData)
{
    if (!table_.empty() && format.kind == tableFormat_.kind &&
        format.mostSignificantFirst == tableFormat_.mostSignificantFirst && ignoreNonData == tableIgnore_)
        return table_.data();
    const size_t entries = format.kind == SampleKind::U8 ? 256 : 65536;
    table_.resize(entries);
    for (size_t raw = 0; raw < entries; ++raw) {
        const uint8_t bytes[8] = {static_cast<uint8_t>(raw & 0xFF), static_cast<uint8_t>(raw >> 8)};
        const long double v = decodeSample(bytes, format);
        table_[raw] = GrayLevel16(mapping_, v, IsNonDataValue(test_, v, bytesPerSample_, ignoreNonData));
    }
    tableFormat_ = format;
    tableIgnore_ = ignoreNonData;
    return table_.data();
}

void Gray16RowWriter::run(const RawRun& run, SampleFormat format, bool ignoreNonData)
{
    const size_t start = row_.size();
    row_.resize(start + static_cast<size_t>(run.count));
    uint16_t* levels = row_.data() + start;
    if (format.kind == SampleKind::U8) {
        const uint16_t* levelOf = table(format, ignoreNonData);
        for (int32_t i = 0; i < run.count; ++i) levels[i] = levelOf[run.bytes[i * run.stride]];
    } else if (format.kind == SampleKind::U16 || format.kind == SampleKind::I16) {
        const uint16_t* levelOf = table(format, ignoreNonData);
        for (int32_t i = 0; i < run.count; ++i) levels[i] = levelOf[loadSample<uint16_t>(run.bytes + i * run.stride, false)];
    } else {
        for (int32_t i = 0; i < run.count; ++i) {
            const long double v = decodeSample(run.bytes + i * run.stride, format);
            levels[i] = GrayLevel16(mapping_, v, IsNonDataValue(test_, v, bytesPerSample_, ignoreNonData));
        }
    }
}

void Gray16RowWriter::value(long double value, bool, bool ignoreNonData)
{
    row_.push_back(GrayLevel16(mapping_, value, IsNonDataValue(test_, value, bytesPerSample_, ignoreNonData)));
}

namespace {

template <typename T>
T converted(long double value)
{
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(value);
    } else {
        if (std::isnan(value)) return 0;
        const long double rounded = std::nearbyint(value);
        if (rounded <= std::numeric_limits<T>::lowest()) return std::numeric_limits<T>::lowest();
        if (rounded >= std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
        return static_cast<T>(rounded);
    }
}

template <typename T>
void put(std::vector<uint8_t>& row, T value)
{
    const size_t at = row.size();
    row.resize(at + sizeof(T));
    std::memcpy(row.data() + at, &value, sizeof(T));
}

}  // namespace

RawRowWriter::RawRowWriter(SampleKind kind, int32_t width) : kind_(kind)
{
    row_.reserve(static_cast<size_t>(width) * static_cast<size_t>(sampleBytes(kind)));
}

void RawRowWriter::run(const RawRun& run, SampleFormat format, bool)
{
    withSampleType(kind_, [&](auto sample) {
        using T = decltype(sample);
        const size_t start = row_.size();
        row_.resize(start + static_cast<size_t>(run.count) * sizeof(T));
        uint8_t* out = row_.data() + start;
        if (format.kind == kind_) {
            for (int32_t i = 0; i < run.count; ++i) {
                const T v = loadSample<T>(run.bytes + i * run.stride, format.mostSignificantFirst);
                std::memcpy(out + i * sizeof(T), &v, sizeof(T));
            }
        } else {
            for (int32_t i = 0; i < run.count; ++i) {
                const T v = converted<T>(decodeSample(run.bytes + i * run.stride, format));
                std::memcpy(out + i * sizeof(T), &v, sizeof(T));
            }
        }
    });
}

void RawRowWriter::value(long double value, bool, bool)
{
    withSampleType(kind_, [&](auto sample) { put(row_, converted<decltype(sample)>(value)); });
}

}  // namespace skeldra
