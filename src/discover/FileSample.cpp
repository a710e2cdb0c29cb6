// SPDX-License-Identifier: BSD-3-Clause
#include "discover/FileSample.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

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
    int64_t got = 0;
    while (got < length) {
        const ssize_t r = ::pread(file_.fd(), bytes.data() + got, static_cast<size_t>(length - got),
                                  static_cast<off_t>(offset + got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throwIoErrorFromErrno(errno);
        if (r == 0) throwIoError(io::ReadBeyondEndOfFile);
        got += r;
    }
    return bytes;
}

}  // namespace skeldra
