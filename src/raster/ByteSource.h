// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A read-only file addressed by 64-bit byte positions, read through one
// bounded buffer so that memory use does not depend on the file's size.
//
// Failure: opening raises the system's I/O error for the cause ("File not
// found", "File access denied", ...). A position before the start of the file
// raises "I/O error 131"; a byte beyond the end raises "Read beyond end of
// file", found against the file's size before anything is read (a position
// near 2^63 never reaches the system). The file is opened as InputFile
// opens it, and closed when the object is destroyed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <memory>

#include "base/InputFile.h"
#include "base/PageBuffer.h"
#include <vector>

namespace skeldra {

class ByteSource {
public:
    static constexpr size_t bufferBytes = size_t{1} << 20;

    // A small capacity reads little more than each view asks for: one
    // positioned read of a few bytes where a whole buffer would be wasted.
    explicit ByteSource(const std::string& path, size_t capacity = bufferBytes);
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    int64_t size() const { return size_; }

    // Bytes that can be read from position on (0 beyond the end or before the start).
    int64_t available(int64_t position) const;

    // n bytes at position, valid until the next call. n may not exceed the
    // capacity. Errors as described above, for the first missing byte.
    const uint8_t* view(int64_t position, size_t n);

    // Whether the file has a byte at position (>= 0), found by reading: files
    // under /proc report a size of 0, and a file may grow while it is read.
    // A true answer makes view(position, 1) read nothing more.
    bool hasByteAt(int64_t position);

    // Reads exactly n bytes at position into the buffer, without the
    // read-ahead of view, for blocks that are far apart. Same errors as view.
    void loadExactly(int64_t position, size_t n);

    // Where consecutive bytes of the file go: `bytes` bytes to `destination`.
    struct Piece {
        uint8_t* destination;
        size_t bytes;
    };

    // Reads the bytes from position on into the pieces in turn, past the
    // buffer, each piece's bytes following the previous piece's in the
    // file: a tile's lines straight into the lines of a picture. Same
    // errors as view.
    void readPieces(int64_t position, const std::vector<Piece>& pieces);

    // Bytes read from the file so far: how often an operation reads its bytes.
    int64_t bytesRead() const { return bytesRead_; }

    // Closes the file now, reporting a failure as an I/O error.
    void close();

    // Whether the buffer holds the n bytes at position already.
    bool buffered(int64_t position, size_t n) const;

private:
    enum class ReadAhead { UpToCapacity, None };
    void fill(int64_t position, size_t n, ReadAhead readAhead);
    // Reads up to `wanted` bytes from position into the buffer; returns how many the file gave.
    size_t load(int64_t position, size_t wanted);
    // Up to `wanted` bytes at position into destination; how many the file gave.
    size_t readAt(int64_t position, uint8_t* destination, size_t wanted);
    // Up to IOV_MAX pieces from `first` on; how many bytes the file gave.
    size_t readPiecesAt(int64_t position, const Piece* first, size_t count);
    void requireAvailable(int64_t position, size_t n);

    InputFile file_;
    int64_t size_ = 0;
    size_t capacity_;
    PageBuffer<uint8_t> buffer_;  // capacity_ bytes
    int64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
    int64_t bytesRead_ = 0;
};

}  // namespace skeldra
