// SPDX-License-Identifier: BSD-3-Clause
#include "output/RealGrayLevels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace skeldra {
namespace {

// Far above the relative error of the power (a few units in the last place
// of an extended real), far below the spacing of two neighbouring samples.
constexpr long double guardWidth = 0x1p-40L;

// The first key in [first, last] for which `holds` is true, or last + 1.
// For a predicate that is false and then true this is the step; otherwise
// it is still a key at which the predicate turns from false to true.
template <typename Key, typename Holds>
Key firstKeyWhere(Key first, Key last, const Holds& holds)
{
    Key end = last + 1;
    while (first < end) {
        const Key middle = first + (end - first) / 2;
        if (holds(middle))
            end = middle;
        else
            first = middle + 1;
    }
    return first;
}

// A key in [first, last] for which `holds` is true (the first one when the
// predicate is false and then true), or last + 1; found by galloping up from
// `first`, which is quick when it lies close above.
template <typename Key, typename Holds>
Key firstKeyAfter(Key first, Key last, const Holds& holds)
{
    Key below = first;  // the keys before `below` need not be looked at
    for (Key stride = 1; below <= last; stride *= 2) {
        const Key probe = last - below < stride ? last : below + stride - 1;
        if (holds(probe)) return firstKeyWhere(below, probe, holds);
        below = probe + 1;
        if (probe == last) break;
    }
    return last + 1;
}

}  // namespace

template <typename Real>
RealGrayLevels<Real>::RealGrayLevels(const GrayMapping& mapping) : mapping_(mapping)
{
    constexpr Real infinity = std::numeric_limits<Real>::infinity();
    const Key low = key(-infinity), high = key(infinity);
    const auto unroundedAt = [&](Key k) { return UnroundedLevel(mapping_, valueOf(k)); };

    struct Step {
        Key at, guardStart, guardEnd;
    };
    std::array<Step, 255> found{};
    for (int level = 1; level <= 255; ++level) {
        // The guard zone: where the unrounded level passes level - 1/2, give
        // or take guardWidth. Keys below it have a smaller level and keys
        // above it this level or more, whatever the rounding errors; so any
        // key inside it serves as the step.
        const long double boundary = level - 0.5L;
        const Key from = firstKeyWhere(low, high, [&](Key k) { return unroundedAt(k) >= boundary * (1 - guardWidth); });
        const Key to = firstKeyAfter(from, high, [&](Key k) { return unroundedAt(k) > boundary * (1 + guardWidth); });
        found[static_cast<size_t>(level - 1)] = {from, from, std::min(to, high)};
    }
    std::sort(found.begin(), found.end(), [](const Step& a, const Step& b) { return a.at < b.at; });
    for (size_t i = 0; i < found.size(); ++i) {
        steps_[i] = found[i].at;
        maxGuardEndBefore_[i] = std::max(found[i].guardEnd, i > 0 ? maxGuardEndBefore_[i - 1] : Key{0});
    }
    for (size_t i = found.size(); i-- > 0;)
        minGuardStartFrom_[i] = std::min(found[i].guardStart, i + 1 < found.size() ? minGuardStartFrom_[i + 1] : high);

    // Runs of buckets between two steps hold one level; the buckets that
    // hold a step or meet a guard zone are flagged.
    const size_t bucketCount = size_t{1} << bucketBits;
    buckets_ = makePageBuffer<uint16_t>(bucketCount);
    const auto bucketOf = [](Key k) { return static_cast<size_t>(k >> bucketShift); };
    size_t filled = 0;
    for (size_t i = 0; i < steps_.size(); ++i) {
        // The first bucket whose first key is at or after the step.
        const size_t until = std::min(bucketCount, bucketOf(steps_[i]) + ((steps_[i] & bucketMask) != 0));
        if (until > filled) std::fill(buckets_.get() + filled, buckets_.get() + until, static_cast<uint16_t>(i));
        filled = std::max(filled, until);
    }
    std::fill(buckets_.get() + filled, buckets_.get() + bucketCount, uint16_t{255});
    for (const Step& step : found) {
        if (step.at <= high) buckets_[bucketOf(step.at)] |= closerLook;
        for (size_t b = bucketOf(step.guardStart); b <= bucketOf(step.guardEnd); ++b) buckets_[b] |= closerLook;
    }
}

template <typename Real>
uint8_t RealGrayLevels<Real>::levelNearSteps(Key k, Real value, uint16_t entry) const
{
    size_t level = entry & 0xFF;
    while (level < steps_.size() && steps_[level] <= k) ++level;
    const bool inGuard = (level > 0 && k <= maxGuardEndBefore_[level - 1]) ||
                         (level < steps_.size() && k >= minGuardStartFrom_[level]);
    if (inGuard) return GrayLevel(mapping_, value, false);
    return static_cast<uint8_t>(level);
}

template class RealGrayLevels<float>;
template class RealGrayLevels<double>;

}  // namespace skeldra
