// SPDX-License-Identifier: BSD-3-Clause
#include "base/MemorySize.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace skeldra {

int64_t usableMemoryBytes()
{
    int64_t bytes = std::numeric_limits<int64_t>::max();
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0 && pages <= bytes / pageSize) bytes = int64_t{pages} * pageSize;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            bytes = std::min<int64_t>(bytes, static_cast<int64_t>(std::min<rlim_t>(limit.rlim_cur, bytes)));
    }
    return bytes;
}

}  // namespace skeldra
