// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Turning the bytes of one sample into its exact value. Whether to swap is
// decided once per run of samples, not per byte.
#include <bit>
#include <cstdint>
#include <cstring>

namespace skeldra {

enum class DataType : uint8_t { Unsigned, Signed, Real };

enum class SampleKind : uint8_t { None, U8, U16, I16, U32, I32, F32, F64 };

// 1 byte is always unsigned; 2 bytes are signed for "Signed" and "Real";
// 8 bytes are always a double. Other widths read nothing.
constexpr SampleKind sampleKind(int32_t bytesPerSample, DataType type)
{
    switch (bytesPerSample) {
    case 1: return SampleKind::U8;
    case 2: return type == DataType::Unsigned ? SampleKind::U16 : SampleKind::I16;
    case 4:
        return type == DataType::Unsigned ? SampleKind::U32
             : type == DataType::Signed   ? SampleKind::I32
                                          : SampleKind::F32;
    case 8: return SampleKind::F64;
    default: return SampleKind::None;
    }
}

// Calls f with a value of the C++ type of the kind (the value itself unused),
// so that one generic loop serves every sample type. None, which callers rule
// out before, is taken as a double.
template <typename F>
decltype(auto) withSampleType(SampleKind kind, F&& f)
{
    switch (kind) {
    case SampleKind::U8: return f(uint8_t{});
    case SampleKind::U16: return f(uint16_t{});
    case SampleKind::I16: return f(int16_t{});
    case SampleKind::U32: return f(uint32_t{});
    case SampleKind::I32: return f(int32_t{});
    case SampleKind::F32: return f(float{});
    case SampleKind::F64:
    case SampleKind::None: break;
    }
    return f(double{});
}

constexpr bool isRealKind(SampleKind kind)
{
    return kind == SampleKind::F32 || kind == SampleKind::F64;
}

// The sample as the controls describe it: its kind and whether the first
// byte in the file is the most significant one.
struct SampleFormat {
    SampleKind kind = SampleKind::None;
    bool mostSignificantFirst = false;
};

template <typename T>
T loadSample(const uint8_t* bytes, bool mostSignificantFirst)
{
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    if constexpr (sizeof(T) > 1) {
        static_assert(std::endian::native == std::endian::little);
        if (mostSignificantFirst) {
            using U = std::conditional_t<sizeof(T) == 2, uint16_t,
                                         std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>;
            U bits;
            std::memcpy(&bits, &value, sizeof(T));
            if constexpr (sizeof(T) == 2) bits = __builtin_bswap16(bits);
            if constexpr (sizeof(T) == 4) bits = __builtin_bswap32(bits);
            if constexpr (sizeof(T) == 8) bits = __builtin_bswap64(bits);
            std::memcpy(&value, &bits, sizeof(T));
        }
    }
    return value;
}

inline long double decodeSample(const uint8_t* bytes, SampleFormat format)
{
    const bool msb = format.mostSignificantFirst;
    switch (format.kind) {
    case SampleKind::U8: return bytes[0];
    case SampleKind::U16: return loadSample<uint16_t>(bytes, msb);
    case SampleKind::I16: return loadSample<int16_t>(bytes, msb);
    case SampleKind::U32: return loadSample<uint32_t>(bytes, msb);
    case SampleKind::I32: return loadSample<int32_t>(bytes, msb);
    case SampleKind::F32: return loadSample<float>(bytes, msb);
    case SampleKind::F64: return loadSample<double>(bytes, msb);
    case SampleKind::None: return 0;
    }
    return 0;
}

}  // namespace skeldra
