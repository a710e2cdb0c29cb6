// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Gray levels of 4- and 8-byte real samples without a power per sample.
//
// The level never falls as the value grows, so the 255 values at which it
// steps up, found once by bisection with GrayLevel itself, give the level of
// any value. The power is computed with rounding errors, so around each step
// lies a guard zone, far wider than those errors could move the step; a
// sample inside one is mapped by GrayLevel itself. Every level is thus the
// formula's.
#include <array>
#include <bit>
#include <cstdint>
#include <memory>

#include "base/PageBuffer.h"
#include <type_traits>
#include <utility>
#include <vector>

#include "output/GrayMapping.h"

namespace skeldra {

template <typename Real>
class RealGrayLevels {
public:
    static_assert(std::is_same_v<Real, float> || std::is_same_v<Real, double>);
    using Key = std::conditional_t<sizeof(Real) == 4, uint32_t, uint64_t>;

    explicit RealGrayLevels(const GrayMapping& mapping);

    // The level of a value that is neither a NaN nor the non-data value.
    uint8_t level(Real value) const
    {
        const Key k = key(value);
        const uint16_t entry = buckets_[static_cast<size_t>(k >> bucketShift)];
        if (entry < closerLook) return static_cast<uint8_t>(entry);
        return levelNearSteps(k, value, entry);
    }

    // Keys ordered like the values they stand for (NaNs excepted): the sign
    // bit flipped for positive values, every bit for negative ones.
    static Key key(Real value)
    {
        const Key bits = std::bit_cast<Key>(value);
        return (bits & signBit) ? static_cast<Key>(~bits) : static_cast<Key>(bits | signBit);
    }
    static Real valueOf(Key key)
    {
        return std::bit_cast<Real>((key & signBit) ? static_cast<Key>(key & ~signBit) : static_cast<Key>(~key));
    }

private:
    static constexpr Key signBit = Key{1} << (8 * sizeof(Key) - 1);
    // A million buckets: only the few that hold a step need a closer look.
    static constexpr int bucketBits = 20;
    static constexpr int bucketShift = 8 * sizeof(Real) - bucketBits;
    static constexpr Key bucketMask = (Key{1} << bucketShift) - 1;
    // Bucket entries: the level at the bucket's first key, and a flag for a
    // bucket that holds a step or meets a guard zone.
    static constexpr uint16_t closerLook = 0x100;

    uint8_t levelNearSteps(Key k, Real value, uint16_t entry) const;

    GrayMapping mapping_;
    // The key of the first value of each level 1..255, sorted, and for each
    // step in that order the guard zones of the steps before it and after it:
    // a key lies in a zone exactly when it is at most maxGuardEndBefore_ of
    // the steps below it or at least minGuardStartFrom_ of those above it.
    std::array<Key, 255> steps_{};
    std::array<Key, 255> maxGuardEndBefore_{};  // inclusive, over steps 0..i
    std::array<Key, 255> minGuardStartFrom_{};  // inclusive, over steps i..254
    PageBuffer<uint16_t> buckets_;               // by the top bits of the key
};

extern template class RealGrayLevels<float>;
extern template class RealGrayLevels<double>;

}  // namespace skeldra
