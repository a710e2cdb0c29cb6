// SPDX-License-Identifier: BSD-3-Clause
#include "raster/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "base/Errors.h"
#include "base/InputFile.h"

namespace skeldra {

ByteSource::ByteSource(const std::string& path, size_t capacity)
    : file_(path), size_(file_.size()), capacity_(capacity), buffer_(makePageBuffer<uint8_t>(capacity))
{
}

void ByteSource::close() { file_.close(); }

int64_t ByteSource::available(int64_t position) const
{
    if (position < 0 || position >= size_) return 0;
    return size_ - position;
}

bool ByteSource::buffered(int64_t position, size_t n) const
{
    // Differences only: a position near 2^63 plus n would overflow.
    if (position < bufferStart_) return false;
    const uint64_t offset = static_cast<uint64_t>(position - bufferStart_);
    return offset <= bufferLength_ && n <= bufferLength_ - offset;
}

const uint8_t* ByteSource::view(int64_t position, size_t n)
{
    if (position < 0) throwIoError(io::NegativeSeek);
    if (buffered(position, n)) return buffer_.get() + (position - bufferStart_);
    fill(position, n, ReadAhead::UpToCapacity);
    return buffer_.get();
}

void ByteSource::loadExactly(int64_t position, size_t n)
{
    if (position < 0) throwIoError(io::NegativeSeek);
    fill(position, n, ReadAhead::None);
}

bool ByteSource::hasByteAt(int64_t position)
{
    if (buffered(position, 1)) return true;
    return load(position, capacity_) > 0;
}

void ByteSource::requireAvailable(int64_t position, size_t n)
{
    if (available(position) >= static_cast<int64_t>(n)) return;
    // The file may have grown since it was opened.
    struct stat info {};
    if (::fstat(file_.fd(), &info) == 0) size_ = std::max<int64_t>(size_, info.st_size);
    if (available(position) < static_cast<int64_t>(n)) throwIoError(io::ReadBeyondEndOfFile);
}

void ByteSource::readPieces(int64_t position, const std::vector<Piece>& pieces)
{
    if (position < 0) throwIoError(io::NegativeSeek);
    size_t total = 0;
    for (const Piece& piece : pieces) total += piece.bytes;
    requireAvailable(position, total);
    // Whole pieces at a time; a short read goes on from the first byte missing.
    for (size_t done = 0, index = 0; index < pieces.size();) {
        const size_t count = std::min<size_t>(pieces.size() - index, IOV_MAX);
        size_t wanted = 0;
        for (size_t i = index; i < index + count; ++i) wanted += pieces[i].bytes;
        const size_t got = readPiecesAt(position + static_cast<int64_t>(done), &pieces[index], count);
        if (got == wanted) {
            done += got;
            index += count;
            continue;
        }
        if (got == 0) throwIoError(io::ReadBeyondEndOfFile);
        size_t left = got;  // of the pieces from index on
        while (index < pieces.size() && left >= pieces[index].bytes) {
            left -= pieces[index].bytes;
            done += pieces[index++].bytes;
        }
        const Piece& piece = pieces.at(index);  // holds `left` of its bytes
        if (readAt(position + static_cast<int64_t>(done + left), piece.destination + left, piece.bytes - left) <
            piece.bytes - left)
            throwIoError(io::ReadBeyondEndOfFile);
        done += piece.bytes;
        ++index;
    }
}

void ByteSource::fill(int64_t position, size_t n, ReadAhead readAhead)
{
    if (n > capacity_) throw std::logic_error("ByteSource::view larger than its buffer");
    requireAvailable(position, n);
    // Read a whole buffer when the file has it, so that the next views hit.
    const auto wanted = readAhead == ReadAhead::None
                            ? n
                            : static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(capacity_), available(position)));
    if (load(position, wanted) < n) throwIoError(io::ReadBeyondEndOfFile);
}

size_t ByteSource::load(int64_t position, size_t wanted)
{
    bufferLength_ = 0;
    const size_t got = readAt(position, buffer_.get(), wanted);
    bufferStart_ = position;
    bufferLength_ = got;
    return got;
}

size_t ByteSource::readPiecesAt(int64_t position, const Piece* first, size_t count)
{
    std::vector<iovec> vectors(count);
    for (size_t i = 0; i < count; ++i) vectors[i] = {first[i].destination, first[i].bytes};
    for (;;) {
        const ssize_t r = ::preadv(file_.fd(), vectors.data(), static_cast<int>(count), static_cast<off_t>(position));
        if (r >= 0) return static_cast<size_t>(r);
        if (errno != EINTR) throwIoErrorFromErrno(errno);
    }
}

size_t ByteSource::readAt(int64_t position, uint8_t* destination, size_t wanted)
{
    const size_t got = file_.readAt(position, destination, wanted);
    bytesRead_ += static_cast<int64_t>(got);
    return got;
}

}  // namespace skeldra
