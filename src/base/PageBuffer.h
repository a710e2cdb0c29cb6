// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Large buffers that are touched soon after they are made: each is asked
// for in whole huge pages where the system offers them, so that filling it
// costs a few page faults instead of one per 4 KiB. The bytes start
// uninitialised.
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace skeldra {

struct PageBufferRelease {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
using PageBuffer = std::unique_ptr<T[], PageBufferRelease>;

template <typename T>
PageBuffer<T> makePageBuffer(size_t count)
{
    constexpr size_t hugePage = size_t{2} << 20;
    if (count * sizeof(T) < hugePage / 2) {  // small: a huge page would be mostly waste
        void* p = std::malloc(count * sizeof(T) + 1);
        if (p == nullptr) throw std::bad_alloc();
        return PageBuffer<T>(static_cast<T*>(p));
    }
    const size_t bytes = (count * sizeof(T) + hugePage - 1) / hugePage * hugePage;
    void* p = std::aligned_alloc(hugePage, bytes);
    if (p == nullptr) throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without it the buffer works the same
    return PageBuffer<T>(static_cast<T*>(p));
}

}  // namespace skeldra
