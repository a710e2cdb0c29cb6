// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Bounded reads of the file under study: discovery looks at a few windows of
// a file, never at all of it, so that a file of any size costs the same.
//
// Failure: a file that cannot be opened or read raises the system's I/O
// error, or InputFile's error for what is not a file.
#include <cstdint>
#include <string>
#include <vector>

#include "base/InputFile.h"

namespace skeldra {

class FileSample {
public:
    explicit FileSample(const std::string& path);

    int64_t size() const { return file_.size(); }
    // Up to `length` bytes from `offset`, fewer at the end of the file.
    std::vector<uint8_t> read(int64_t offset, int64_t length);

private:
    InputFile file_;
};

}  // namespace skeldra
