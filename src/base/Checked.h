// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Overflow-checked integer arithmetic. Box values are 32-bit; byte offsets,
// strides and file positions are 64-bit because real products exceed 2 GiB.
// Any overflow raises "Integer overflow".
#include <cstdint>

#include "base/Errors.h"

namespace skeldra {

template <typename T>
T checkedAdd(T a, T b)
{
    T r;
    if (__builtin_add_overflow(a, b, &r)) throwIntegerOverflow();
    return r;
}

template <typename T>
T checkedSub(T a, T b)
{
    T r;
    if (__builtin_sub_overflow(a, b, &r)) throwIntegerOverflow();
    return r;
}

template <typename T>
T checkedMul(T a, T b)
{
    T r;
    if (__builtin_mul_overflow(a, b, &r)) throwIntegerOverflow();
    return r;
}

inline int32_t add32(int32_t a, int32_t b) { return checkedAdd(a, b); }
inline int32_t sub32(int32_t a, int32_t b) { return checkedSub(a, b); }
inline int32_t mul32(int32_t a, int32_t b) { return checkedMul(a, b); }
inline int64_t add64(int64_t a, int64_t b) { return checkedAdd(a, b); }
inline int64_t sub64(int64_t a, int64_t b) { return checkedSub(a, b); }
inline int64_t mul64(int64_t a, int64_t b) { return checkedMul(a, b); }

}  // namespace skeldra
