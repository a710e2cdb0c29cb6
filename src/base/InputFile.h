// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A file opened to read. Only what reads like a file is opened: a regular
// file or a block device. A FIFO would block the operation (or a whole batch)
// until some writer came, and a character device such as /dev/zero never ends.
//
// Failure: the system's I/O error of the open ("File not found", ...); a
// folder raises "File access denied", as any failed open of one does; any
// other kind of entry raises an Error saying what the path is. The object
// owns its descriptor and closes it when destroyed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace skeldra {

class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int fd() const { return fd_; }
    // At opening; a block device's too, which stat gives as 0.
    int64_t size() const { return size_; }

    // Up to `wanted` bytes at position into destination, fewer only where
    // the file ends; how many it gave. A failed read raises its I/O error.
    size_t readAt(int64_t position, uint8_t* destination, size_t wanted) const;

    // Closes the file now, reporting a failure as an I/O error.
    void close();

private:
    int fd_ = -1;
    int64_t size_ = 0;
};

}  // namespace skeldra
