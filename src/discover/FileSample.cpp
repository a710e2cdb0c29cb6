// SPDX-License-Identifier: BSD-3-Clause
#include "discover/FileSample.h"

#include <algorithm>

#include "base/Errors.h"

namespace skeldra {

// Each read goes straight to the file: discovery reads a few hundred bytes
// here and there, and a buffer would be filled in full after every seek.
FileSample::FileSample(const std::string& path) : file_(path) {}

std::vector<uint8_t> FileSample::read(int64_t offset, int64_t length)
{
    offset = std::clamp<int64_t>(offset, 0, size());
    length = std::clamp<int64_t>(length, 0, size() - offset);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (file_.readAt(offset, bytes.data(), bytes.size()) < bytes.size()) throwIoError(io::ReadBeyondEndOfFile);
    return bytes;
}

}  // namespace skeldra
