// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What the label targets share: the bytes read as a label by Layout from
// Label, as the input file itself and as a label beside it, with the checks
// that must hold for any label.
#include <cstddef>
#include <cstdint>
#include <string>

namespace skeldra::fuzzing {

// Runs Layout from Label with the bytes as the input file `ownName`, then
// with them as the label `besideName` beside a small input file "input.img".
// Either name may be empty to skip that run.
void layoutFromLabelBytes(const uint8_t* data, size_t size, const std::string& ownName,
                          const std::string& besideName);

}  // namespace skeldra::fuzzing
