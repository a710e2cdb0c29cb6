// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How much memory one allocation can hope for: the computer's physical
// memory, or less when the process is limited (ulimit -v, -d). Used to refuse
// a request that cannot fit with a clear message before trying it.
#include <cstdint>

namespace skeldra {

int64_t usableMemoryBytes();

}  // namespace skeldra
