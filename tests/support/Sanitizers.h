// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// SKELDRA_UNDER_ASAN is defined when the tests are built with
// AddressSanitizer, whose shadow memory and slower runs some tests must
// allow for.
#if defined(__SANITIZE_ADDRESS__)
#define SKELDRA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SKELDRA_UNDER_ASAN 1
#endif
#endif
