// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The text of the error an action raises, or "" when it raises none.
#include <functional>
#include <string>

#include "base/Errors.h"

namespace skeldra::testing {

inline std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

}  // namespace skeldra::testing
